# Tockwell: `make run` sets up, builds only the program (and what it links) and starts it;
# `make test` sets up, builds everything, tests included, and runs every test.
JOBS      ?= $(shell nproc)
BUILD     ?= build
CMAKE_GEN := -G Ninja
FUZZ_SECONDS ?= 60
# The machine may be busy: each benchmark runs three times and the figures are the medians.
# The run ends by saying whether every goal is met; the figures stay in build-bench/results/.
BENCH_ARGS ?= --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

.PHONY: all deps build program run test test-asan test-tsan fuzz bench format clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_GEN)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

program: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target tockwell

run: program
	@if [ -x $(BUILD)/app/tockwell ]; then \
	  echo "Starting Tockwell; end it with Exit in its menu, Ctrl+C here, or $(BUILD)/app/tockwell --quit"; \
	  exec $(BUILD)/app/tockwell $(ARGS); \
	else echo "Tockwell is built, but there is no program to start yet."; fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B build-asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DTOCKWELL_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

# The tree-list control's tests (its worker thread) under ThreadSanitizer, each test in a
# process of its own: Qt starts programs (Xvfb, xdotool, the drag host) with a clone that shares
# the parent's memory, after which the sanitizer's view of the parent's threads and locks is
# wrong. Qt is not instrumented: tests/tree/tsan.supp silences what lies wholly inside Qt.
test-tsan: deps
	cmake -S . -B build-tsan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DTOCKWELL_TSAN=ON
	cmake --build build-tsan -j $(JOBS) --target test_tree
	cd build-tsan && \
	  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tree/tsan.supp" \
	  ctest -L '^test_tree$$' --output-on-failure -j $(JOBS)

# Each libFuzzer target runs for FUZZ_SECONDS from its seed corpus in tests/fuzz/corpus/<name>.
fuzz: deps
	cmake -S . -B build-fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DTOCKWELL_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS)
	@set -e; for f in build-fuzz/tests/fuzz/fuzz_*; do \
	  [ -f $$f ] && [ -x $$f ] || continue; name=$$(basename $$f); \
	  mkdir -p build-fuzz/corpus/$$name; \
	  seeds=tests/fuzz/corpus/$$name; [ -d $$seeds ] || seeds=; \
	  echo "== $$name ($(FUZZ_SECONDS) s)"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	      build-fuzz/corpus/$$name $$seeds; \
	done

bench: deps
	cmake -S . -B build-bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DTOCKWELL_BENCH=ON \
	  -DTOCKWELL_TESTS=OFF
	cmake --build build-bench -j $(JOBS)
	@mkdir -p build-bench/results
	@set -e; r=build-bench/results; rm -f $$r/*.txt; \
	for b in build-bench/bench/bench_*; do \
	  [ -f $$b ] && [ -x $$b ] || continue; name=$$(basename $$b); \
	  echo "== $$name"; \
	  { $$b --benchmark_out=$$r/$$name.json --benchmark_out_format=json $(BENCH_ARGS); \
	    echo $$? > $$r/$$name.rc; } | tee $$r/$$name.txt; \
	  [ "$$(cat $$r/$$name.rc)" = 0 ]; \
	done; \
	if grep -l "NOT met" $$r/*.txt; then echo "== Some goals are NOT met (in the files above)"; exit 1; \
	else echo "== Every goal is met"; fi

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz build-bench
