# The project's commands. Every target does its own set-up on a fresh Debian 12 machine.
#   make test   - set-up, both builds, every test (Windows tests under Wine on Xvfb)
#   make bench  - every benchmark (native release build; Windows ones under Wine)
#   make demo   - the loading box on an Xvfb display, screenshot in build/demo/
#   make gallery - every page of the skinned library's gallery as an image in build/gallery/
# BUILD chooses the build folder (default build/); JOBS the parallelism.
BUILD ?= build
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
CMAKE_GEN := -G Ninja
W32 := $(BUILD)/win32
NAT := $(BUILD)/native
FUZ := $(BUILD)/fuzz
BEN := $(BUILD)/bench

.PHONY: all setup win32 native fuzz-build bench-build test test-native test-win32 test-fuzz bench demo gallery clean

all: win32 native

setup:
	@bash scripts/setup.sh

$(W32)/build.ninja: | setup
	cmake -S . -B $(W32) $(CMAKE_GEN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
$(NAT)/build.ninja: | setup
	cmake -S . -B $(NAT) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DVELL_SANITIZE=ON
$(FUZ)/build.ninja: | setup
	CC=clang CXX=clang++ cmake -S . -B $(FUZ) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELL_FUZZ=ON -DVELL_FUZZ_SECONDS=$(FUZZ_SECONDS)
$(BEN)/build.ninja: | setup
	cmake -S . -B $(BEN) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DVELL_BENCH=ON

win32: $(W32)/build.ninja
	cmake --build $(W32) -j $(JOBS)
native: $(NAT)/build.ninja
	cmake --build $(NAT) -j $(JOBS)
fuzz-build: $(FUZ)/build.ninja
	cmake --build $(FUZ) -j $(JOBS)
bench-build: $(BEN)/build.ninja
	cmake --build $(BEN) -j $(JOBS)

test-native: native
	cd $(NAT) && ctest --output-on-failure -j $(JOBS)
test-fuzz: fuzz-build
	cd $(FUZ) && ctest --output-on-failure
test-win32: win32
	cd $(W32) && ctest --output-on-failure -j $(JOBS) -LE bench; rc=$$?; $(CURDIR)/$(W32)/wine-run.sh --stop; exit $$rc

# The last line printed is the summary of all three runs.
test:
	@$(MAKE) --no-print-directory setup
	@set -e; fail=0; \
	$(MAKE) --no-print-directory test-native || fail=1; \
	$(MAKE) --no-print-directory test-win32 || fail=1; \
	$(MAKE) --no-print-directory test-fuzz || fail=1; \
	python3 scripts/test-summary.py $(NAT) $(W32) $(FUZ); \
	exit $$fail

bench: bench-build win32
	@for b in $(BEN)/bench/bench_*; do [ -x "$$b" ] && { echo "== $$(basename $$b)"; "$$b"; }; done; \
	cd $(W32) && ctest --output-on-failure -L bench -V | grep -v '^[0-9]*: Test command' ; $(CURDIR)/$(W32)/wine-run.sh --stop

# Builds only what the product folder needs.
demo: $(W32)/build.ninja
	cmake --build $(W32) -j $(JOBS) --target product
	@bash scripts/demo.sh $(W32)

gallery: $(W32)/build.ninja
	cmake --build $(W32) -j $(JOBS) --target gallery
	@bash scripts/gallery.sh $(W32)

clean:
	rm -rf $(BUILD)
