# Deskline: `make run` builds and starts the client, `make test` builds with
# the sanitizers and runs every test. Both install missing Debian packages first.
JOBS ?= $(shell nproc)
BUILD_DIR ?= build
TEST_BUILD_DIR ?= build-test
BENCH_BUILD_DIR ?= build-bench
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
# Operating mode of the `make run` demo: cti, deskphone or softphone.
MODE ?= cti

.PHONY: all deps build run test bench fuzz format format-check clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDESKLINE_TESTS=OFF
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@MODE=$(MODE) bash scripts/run.sh $(BUILD_DIR)

test: deps
	cmake -S . -B $(TEST_BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug -DDESKLINE_SANITIZE=ON -DDESKLINE_TESTS=ON
	cmake --build $(TEST_BUILD_DIR) -j $(JOBS)
	@bash scripts/run-tests.sh $(TEST_BUILD_DIR) $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DDESKLINE_TESTS=OFF -DDESKLINE_BENCH=ON
	cmake --build $(BENCH_BUILD_DIR) -j $(JOBS)
	@bash scripts/run-bench.sh $(BENCH_BUILD_DIR)

# Fuzz targets of the parsers that read outside input (libFuzzer, ASan and
# UBSan), each run for FUZZ_SECONDS; not part of `make test`. Needs clang,
# installed here when missing.
fuzz: deps
	@if ! command -v clang++ >/dev/null 2>&1 || ! dpkg -s libclang-rt-14-dev >/dev/null 2>&1; then \
	  sudo=; [ "$$(id -u)" = 0 ] || sudo=sudo; \
	  $$sudo apt-get update && $$sudo apt-get install -y clang libclang-rt-14-dev; fi
	cmake -S fuzz -B $(FUZZ_BUILD_DIR) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS)
	@bash scripts/run-fuzz.sh $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS)

FORMAT_SOURCES = find src platform cpucore tests bench fuzz \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0

format: deps
	@$(FORMAT_SOURCES) | xargs -0 -r clang-format -i

# Fails, naming the files, when a source file drifts from .clang-format.
format-check: deps
	@$(FORMAT_SOURCES) | xargs -0 -r clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR) $(BENCH_BUILD_DIR) $(FUZZ_BUILD_DIR)
