# The project's commands. Every target does its own set-up on a fresh Debian 12 machine.
#   make test   - set-up, every build, every test (Windows tests under Wine on Xvfb: the
#                 x86_64 build's always, the i686 build's where this machine runs 32-bit
#                 programs; VELL_NO_32BIT=1 acts as if it did not)
#   make bench  - every benchmark (native release build; Windows ones under Wine)
#   make demo   - the loading box on an Xvfb display, screenshot in build/demo/ (the 32-bit
#                 product where it runs, else the 64-bit one)
#   make gallery - every page of the skinned library's gallery as an image in build/gallery/
#   make format - clang-format (.clang-format) rewrites the project's own C and C++ sources in place
#   make format-check - names every source file clang-format would change; fails if there is one
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
W64 := $(BUILD)/win64
NAT := $(BUILD)/native
FUZ := $(BUILD)/fuzz
FUZ_FAST := $(BUILD)/fuzz-fast
BEN := $(BUILD)/bench

.PHONY: all setup win32 win64 native fuzz-build bench-build test test-native test-win32 test-win64 test-fuzz fuzz bench demo gallery format format-check clean

all: win32 win64 native

# Shell: sets w to the Windows build that runs on this machine and says which: the 32-bit
# product where 32-bit programs run (scripts/runs-32bit.sh finds out by trying), else the
# 64-bit build.
PICK_BUILD = if why=$$(bash scripts/runs-32bit.sh); then w=$(W32); echo "$@: the 32-bit build, $(W32)"; \
	else w=$(W64); echo "$@: the 64-bit build, $(W64): $$why"; fi

setup:
	@bash scripts/setup.sh

$(W32)/build.ninja: | setup
	cmake -S . -B $(W32) $(CMAKE_GEN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
$(W64)/build.ninja: | setup
	cmake -S . -B $(W64) $(CMAKE_GEN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
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
win64: $(W64)/build.ninja
	cmake --build $(W64) -j $(JOBS)
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
# The i686 build is built whole on every machine; its tests run where 32-bit programs do.
# Elsewhere the reason is kept in tests-not-run.txt, which the summary prints, and no result
# of an earlier run is left to be counted.
test-win32: win32
	@rm -f $(W32)/tests-not-run.txt; \
	if why=$$(bash scripts/runs-32bit.sh); then \
	  cd $(W32) && ctest --output-on-failure -j $(JOBS) -LE bench; rc=$$?; $(CURDIR)/$(W32)/wine-run.sh --stop; exit $$rc; \
	else \
	  rm -f $(W32)/Testing/Temporary/LastTest*.log; \
	  echo "32-bit Windows tests not run: $$why; the i686 build was built whole" | tee $(W32)/tests-not-run.txt; \
	fi
test-win64: win64
	cd $(W64) && ctest --output-on-failure -j $(JOBS) -LE bench; rc=$$?; $(CURDIR)/$(W64)/wine-run.sh --stop; exit $$rc

# The last lines printed are what was not run, then the summary of every run.
test:
	@$(MAKE) --no-print-directory setup
	@set -e; fail=0; \
	$(MAKE) --no-print-directory test-native || fail=1; \
	$(MAKE) --no-print-directory test-win32 || fail=1; \
	$(MAKE) --no-print-directory test-win64 || fail=1; \
	$(MAKE) --no-print-directory test-fuzz || fail=1; \
	python3 scripts/test-summary.py $(NAT) $(W32) $(W64) $(FUZ); \
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

# The Windows benchmarks run on the 64-bit build, and on the 32-bit one where it runs.
bench: bench-build win32 win64
	@for b in $(BEN)/bench/bench_*; do [ -x "$$b" ] && { echo "== $$(basename $$b)"; "$$b"; }; done; \
	builds="$(W64)"; \
	if why=$$(bash scripts/runs-32bit.sh); then builds="$(W32) $(W64)"; else echo "32-bit Windows benchmarks not run: $$why"; fi; \
	for w in $$builds; do \
	  echo "== Windows benchmarks, $$w"; \
	  (cd $$w && ctest --output-on-failure -L bench -V | grep -v '^[0-9]*: Test command'); $(CURDIR)/$$w/wine-run.sh --stop; \
	done

# Builds only what the product folder needs, of the build that runs here.
demo: setup
	@$(PICK_BUILD); $(MAKE) --no-print-directory $$w/build.ninja && \
	cmake --build $$w -j $(JOBS) --target product && bash scripts/demo.sh $$w

gallery: setup
	@$(PICK_BUILD); $(MAKE) --no-print-directory $$w/build.ninja && \
	cmake --build $$w -j $(JOBS) --target gallery && bash scripts/gallery.sh $$w

# The project's own C and C++ sources: the layers, the stand-ins, the gallery, the tools, the
# tests, the benchmarks and the fuzz targets (build folders are not among them, and nothing
# here is third-party). FORMAT_FILES="a.cpp b.h" takes those files alone.
CLANG_FORMAT ?= clang-format
FORMAT_DIRS := core platform crash services toolkit rdcontrol loader standins gallery tools tests bench fuzz
FORMAT_FILES ?= $(shell find $(FORMAT_DIRS) -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) | LC_ALL=C sort)

HAVE_CLANG_FORMAT = command -v $(CLANG_FORMAT) >/dev/null || { echo "$@: $(CLANG_FORMAT) not found"; exit 2; }

format: setup
	@$(HAVE_CLANG_FORMAT); $(CLANG_FORMAT) -i $(FORMAT_FILES)

# One clang-format run over every file, at most one finding per file: the files it names.
format-check: setup
	@$(HAVE_CLANG_FORMAT); \
	out=$$($(CLANG_FORMAT) --dry-run --ferror-limit=1 $(FORMAT_FILES) 2>&1) || { echo "$$out"; exit 2; }; \
	differ=$$(echo "$$out" | sed -n 's/^\(.*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | uniq); \
	[ -z "$$differ" ] && exit 0; \
	echo "$$differ"; echo "format-check: clang-format would change the files above ($$(echo "$$differ" | wc -l); make format rewrites them)"; \
	exit 1

clean:
	rm -rf $(BUILD)
