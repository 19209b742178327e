# The project's commands. Every target does its own set-up on a fresh Debian 12 machine.
#   make test   - set-up, both builds, every test (Windows tests under Wine on Xvfb)
#   make bench  - every benchmark (native release build; Windows ones under Wine)
#   make demo   - the loading box on an Xvfb display, screenshot in build/demo/
#   make gallery - every page of the skinned library's gallery as an image in build/gallery/
#   make fuzz   - every fuzz target for FUZZ_MINUTES (default 10) minutes; new inputs kept in fuzz/<name>/corpus
#                 (FUZZ_FAST=1: the run itself without sanitizers, several times the executions;
#                 the merge into the kept corpus still replays every input under them)
# BUILD chooses the build folder (default build/); JOBS the parallelism.
BUILD ?= build
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
FUZZ_MINUTES ?= 10
FUZZ_TARGETS ?= *
CMAKE_GEN := -G Ninja
W32 := $(BUILD)/win32
NAT := $(BUILD)/native
FUZ := $(BUILD)/fuzz
FUZ_FAST := $(BUILD)/fuzz-fast
BEN := $(BUILD)/bench

.PHONY: all setup win32 native fuzz-build bench-build test test-native test-win32 test-fuzz fuzz bench demo gallery clean

all: win32 native

setup:
	@bash scripts/setup.sh

$(W32)/build.ninja: | setup
	cmake -S . -B $(W32) $(CMAKE_GEN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
$(NAT)/build.ninja: | setup
	cmake -S . -B $(NAT) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DVELL_SANITIZE=ON
$(FUZ)/build.ninja: | setup
	CC=clang CXX=clang++ cmake -S . -B $(FUZ) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELL_FUZZ=ON -DVELL_FUZZ_SECONDS=$(FUZZ_SECONDS)
$(FUZ_FAST)/build.ninja: | setup
	CC=clang CXX=clang++ cmake -S . -B $(FUZ_FAST) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DVELL_FUZZ=ON -DVELL_FUZZ_SANITIZERS=
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

# Runs each fuzz target (FUZZ_TARGETS=png: only that one) for FUZZ_MINUTES minutes at the
# lowest priority on its kept corpus and a work corpus in the build folder, then merges
# the inputs that reach new code into the kept corpus fuzz/<name>/corpus. A fault stops
# nothing: it is reported with its log, and the command fails at the end.
fuzz: fuzz-build $(if $(FUZZ_FAST),$(FUZ_FAST)/build.ninja)
	@fail=0; for f in $(FUZ)/fuzz/fuzz_$(FUZZ_TARGETS); do \
	  [ -x "$$f" ] || continue; name=$${f##*/fuzz_}; work=$(FUZ)/fuzz/corpus-$$name; kept=fuzz/$$name/corpus; \
	  mkdir -p $$work $$kept; echo "== fuzz_$$name, $(FUZZ_MINUTES) min"; run=$$f; \
	  $(if $(FUZZ_FAST),cmake --build $(FUZ_FAST) --target fuzz_$$name >/dev/null && run=$(FUZ_FAST)/fuzz/fuzz_$$name;) \
	  nice -n 19 $$run -max_total_time=$$(( $(FUZZ_MINUTES) * 60 )) -rss_limit_mb=2048 -print_final_stats=1 \
	    $$work $$kept > $$work.log 2>&1 || { fail=1; echo "fuzz_$$name found a fault: $$work.log"; }; \
	  grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb" $$work.log || true; \
	  nice -n 19 $$f -merge=1 -use_counters=0 -use_cmp=0 -use_value_profile=0 -rss_limit_mb=2048 $$kept $$work 2>&1 | grep -E "MERGE-OUTER: [0-9]+ new files" || true; \
	done; exit $$fail

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
