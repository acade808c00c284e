# The two commands of the README: `make run` and `make test`.
BUILD ?= build
GEN   ?= Ninja
JOBS  ?= $(shell nproc)

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@bash scripts/bootstrap.sh

configure: deps
	@cmake -S . -B $(BUILD) -G $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run-demo.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

clean:
	@rm -rf $(BUILD)
