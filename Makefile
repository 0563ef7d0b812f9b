# Wordaroo: `make run` and `make test` do all the set-up on a fresh Debian 12 machine.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# A clone in another folder reuses the compiler cache: paths below this folder are
# hashed relative to it.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1

.PHONY: all setup build run test asan asan-core format-check tidy bench install package clean

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

# The same tests built with Address and UndefinedBehavior sanitizers, leaks checked
# (tests/support/lsan.supp lists the only leaks forgiven: Qt's and the sound server's own).
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:strict_init_order=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
asan: setup
	cmake --preset asan
	cmake --build build-asan -j $(JOBS)
	cd build-asan && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# Only the core tests under the sanitizers (a quick check while working on core).
asan-core: setup
	cmake --preset asan
	cmake --build build-asan -j $(JOBS) --target $(CORE_TESTS)
	cd build-asan && $(SANITIZER_ENV) ctest --output-on-failure -R '^(core/|pulse)' -E 'tst_assets' $(CTEST_ARGS)
CORE_TESTS := $(patsubst tests/core/%.cpp,core_%,$(wildcard tests/core/tst_*.cpp))

# Every C++ file must be as clang-format (the repository's .clang-format) writes it.
format-check:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

# clang-tidy over the sources changed since .ci/tidy-base (TIDY_ALL=1: every source).
tidy: build
	BUILD=$(BUILD) ./scripts/tidy.sh $(if $(TIDY_ALL),--all)

bench: build
	cd $(BUILD) && for b in bench/bench_*; do [ -x "$$b" ] && "$$b"; done

install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

# The Debian package $(BUILD)/wordaroo_<version>_<arch>.deb (cmake/package.cmake).
package: build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) build-asan
