# Thin front door: the real build is CMake. `make run` builds and starts the
# program, `make test` builds and runs every test; both install missing
# Debian packages first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build run test bench demo clean

deps:
	@./scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/bin/ekowarta $(ARGS)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

bench: deps
	@cmake -S . -B $(BUILD_DIR)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DEKOWARTA_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
	@cmake --build $(BUILD_DIR)-bench -j $(JOBS)
	@for b in $(BUILD_DIR)-bench/bin/bench_*; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-bench
