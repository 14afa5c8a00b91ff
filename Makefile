# Thin front door: the real build is CMake. `make` builds, `make run` builds
# and starts the program, `make test` builds and runs every test; all of them
# install missing Debian packages first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
DEMO_PORT ?= 8642
# In CI (CI=true) a compiler warning fails the build.
WERROR ?= $(if $(CI),ON,OFF)

.PHONY: all deps configure build run test bench demo screenshots package clean

all: build

deps:
	@./scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DEKOWARTA_WERROR=$(WERROR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/bin/ekowarta $(ARGS)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The program on a register of real municipalities whose pages come from a
# local demo server (no Internet needed); the server stops with the program.
demo: build
	@./demo/pokaz.sh $(BUILD_DIR) $(DEMO_PORT)

# Pictures of the windows for the README and the manual, from the demo.
screenshots: build
	@./demo/zrzuty.sh $(BUILD_DIR) $$(( $(DEMO_PORT) + 10 ))

# The Debian package, in $(BUILD_DIR)/packages/.
package: build
	@cd $(BUILD_DIR) && cpack -G DEB -B packages

bench: deps
	@cmake -S . -B $(BUILD_DIR)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DEKOWARTA_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
	@cmake --build $(BUILD_DIR)-bench -j $(JOBS)
	@for b in $(BUILD_DIR)-bench/bin/bench_*; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-bench
