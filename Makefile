# The two commands of the README: `make run` and `make test`. Both install what is missing first.
.PHONY: all deps run build test unit-test bench fuzz fuzz-run format clean

JOBS ?= $(shell nproc)
RUN_DIR := build/run
TEST_DIR := build/test
BENCH_DIR := build/bench
FUZZ_DIR := build/fuzz
FUZZ_SECONDS ?= 60

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(RUN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRION_TESTS=OFF
	cmake --build $(RUN_DIR) -j $(JOBS)

run: build
	@bash scripts/run.sh $(RUN_DIR)/src/kestrion $(ARGS)

test: unit-test fuzz-run

unit-test: deps
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTRION_SANITIZE=ON -DKESTRION_WERROR=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTRION_TESTS=OFF -DKESTRION_BENCH=ON
	cmake --build $(BENCH_DIR) -j $(JOBS)
	@for b in $(BENCH_DIR)/bench/*_bench; do [ -x "$$b" ] && QT_QPA_PLATFORM=offscreen "$$b"; done; true

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DKESTRION_TESTS=OFF -DKESTRION_FUZZ=ON -DKESTRION_WERROR=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS)

fuzz-run: fuzz
	@bash scripts/fuzz-run.sh $(FUZZ_DIR)/fuzz $(FUZZ_SECONDS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
