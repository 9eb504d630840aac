# Deskline: `make run` builds and starts the client, `make test` builds with
# the sanitizers and runs every test. Both install missing Debian packages first.
JOBS ?= $(shell nproc)
BUILD_DIR ?= build
TEST_BUILD_DIR ?= build-test
BENCH_BUILD_DIR ?= build-bench

.PHONY: all deps build run test bench format clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDESKLINE_TESTS=OFF
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@bash scripts/run.sh $(BUILD_DIR)

test: deps
	cmake -S . -B $(TEST_BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug -DDESKLINE_SANITIZE=ON -DDESKLINE_TESTS=ON
	cmake --build $(TEST_BUILD_DIR) -j $(JOBS)
	@bash scripts/run-tests.sh $(TEST_BUILD_DIR) $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DDESKLINE_TESTS=OFF -DDESKLINE_BENCH=ON
	cmake --build $(BENCH_BUILD_DIR) -j $(JOBS)
	@bash scripts/run-bench.sh $(BENCH_BUILD_DIR)

format:
	@find src platform cpucore tests bench \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 | xargs -0 -r clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR) $(BENCH_BUILD_DIR)
