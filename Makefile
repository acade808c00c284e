# The two commands of the README: `make run` and `make test`.
BUILD ?= build
GEN   ?= Ninja
JOBS  ?= $(shell nproc)
# The instrumented builds (tests/fuzz/): the test suite under the sanitizers, and fuzzing.
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD     ?= build-fuzz
FUZZ_SECONDS   ?= 60
# Warnings are errors in CI (.ci/run sets CI), for the main and the sanitizer builds;
# given on every configure, so that a build folder CI used builds for `make run` too.
WERROR ?= $(if $(filter true 1 yes,$(CI)),ON,OFF)
# CI's main build keeps no debug information (a quarter of its compile time); the
# sanitizer build keeps it for its reports.
CI_FLAGS = $(if $(filter true 1 yes,$(CI)),-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG")

.PHONY: all deps configure build run test bench clean test-sanitize fuzz tidy

all: build

deps:
	@bash scripts/bootstrap.sh

configure: deps
	@cmake -S . -B $(BUILD) -G $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPALIMOR_WERROR=$(WERROR) $(CI_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run-demo.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Every benchmark, then one table of their ratios against their goals.
bench: build
	@bash scripts/bench-table.sh $(BUILD)

# clang-tidy (.clang-tidy) over src/ and host/ with the build's compile commands; a
# finding fails it.
tidy: build
	@bash scripts/tidy.sh $(BUILD) $(JOBS)

# Every test built again with AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz
# corpora replayed among them; no benchmarks.
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -G $(GEN) -DCMAKE_BUILD_TYPE=Debug \
	  -DPALIMOR_SANITIZE=ON -DPALIMOR_BUILD_BENCH=OFF -DPALIMOR_WERROR=$(WERROR) >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@bash tests/fuzz/run-sanitized-tests.sh $(SANITIZE_BUILD) $(JOBS)

# Each fuzz target for FUZZ_SECONDS, with clang's libFuzzer.
fuzz:
	@bash scripts/bootstrap.sh fuzz
	@cmake -S . -B $(FUZZ_BUILD) -G $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DPALIMOR_FUZZ=ON -DPALIMOR_BUILD_TESTS=OFF -DPALIMOR_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) --target palimor_fuzzers -j $(JOBS)
	@bash tests/fuzz/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	@rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
