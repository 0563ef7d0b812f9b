# Wordaroo: `make run` and `make test` do all the set-up on a fresh Debian 12 machine.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all setup build run test asan asan-core bench install clean

all: build

setup:
	./scripts/setup.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: setup $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD)/Wordaroo && ./wordaroo

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# The same tests built with Address and UndefinedBehavior sanitizers.
asan: setup
	cmake --preset asan
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# Only the core tests (files, settings, sound engine, bad wave files) under the
# sanitizers: what CI runs besides the full test suite.
CORE_TESTS := $(patsubst tests/core/%.cpp,core_%,$(wildcard tests/core/tst_*.cpp))
asan-core: setup
	cmake --preset asan
	cmake --build build-asan -j $(JOBS) --target $(CORE_TESTS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -R '^(core/|pulse)' -E 'tst_assets' $(CTEST_ARGS)

bench: build
	cd $(BUILD) && for b in bench/bench_*; do [ -x "$$b" ] && "$$b"; done

install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

clean:
	rm -rf $(BUILD) build-asan
