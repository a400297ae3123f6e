# make run   ARGS="folder..."   install what is missing, build the command line only, scan (default: the home folder)
# make gui   ARGS="folder... [--scan]"   install, build the window, open it
# make test                     install, build everything, run every test
# make build                    install, build everything
# make bench [BENCH_ARGS="--only peers,check --runs 3"]   install, build, run the benchmarks
# make install [PREFIX=/usr/local] [DESTDIR=]   install both programs, the .desktop file and the icon
# make test-asan, make test-tsan   the whole suite under AddressSanitizer+UBSan, or ThreadSanitizer
BUILD ?= build
ARGS ?=
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
PREFIX ?= /usr/local
# Extra CMake settings for the sanitized builds only, e.g. SANITIZE_FLAGS='-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1"'.
SANITIZE_FLAGS ?=
# Options of bench/run-benchmarks, e.g. BENCH_ARGS="--only peers,cold --runs 5".
BENCH_ARGS ?=
DESTDIR ?=

.PHONY: all deps build run gui test bench install clean test-asan test-tsan

all: build

deps:
	@./scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD)

run: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) --target dorvane
	$(BUILD)/src/cli/dorvane scan $(ARGS)

gui: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) --target dorvane-gui
	./$(BUILD)/src/gui/dorvane-gui $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j2

bench: build
	./bench/run-benchmarks $(BUILD) $(BENCH_ARGS)

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# make test-asan / make test-tsan: build everything with AddressSanitizer + UndefinedBehaviorSanitizer
# (leak detection on) or ThreadSanitizer, each in its own build folder, and run every test; the programs
# the tests start run sanitized too. Every report of any process goes to <build>/sanitizer-logs, and any
# report fails the target. ThreadSanitizer keeps the longest history (history_size=7), so that the
# earlier access of a race between busy threads still has its stack for the report and the suppressions.
# Qt is not built with it: its own threads and event queue are left out (ignore_noninstrumented_modules),
# the project's accesses are all still watched.
test-asan: export ASAN_OPTIONS = detect_leaks=1:log_path=$(CURDIR)/build-asan/sanitizer-logs/asan
test-asan: export LSAN_OPTIONS = suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0
test-asan: export UBSAN_OPTIONS = print_stacktrace=1:halt_on_error=1:log_path=$(CURDIR)/build-asan/sanitizer-logs/ubsan
test-asan: deps
	cmake -S . -B build-asan -G Ninja $(CMAKE_FLAGS) $(SANITIZE_FLAGS) -DDORVANE_SANITIZE=address,undefined
	rm -rf build-asan/sanitizer-logs && mkdir -p build-asan/sanitizer-logs
	cmake --build build-asan -j2
	cd build-asan && ctest --output-on-failure -j2
	@if [ -n "$$(ls build-asan/sanitizer-logs)" ]; then cat build-asan/sanitizer-logs/*; exit 1; fi

test-tsan: export TSAN_OPTIONS = suppressions=$(CURDIR)/tests/tsan.supp ignore_noninstrumented_modules=1 halt_on_error=1 second_deadlock_stack=1 history_size=7 log_path=$(CURDIR)/build-tsan/sanitizer-logs/tsan
test-tsan: deps
	cmake -S . -B build-tsan -G Ninja $(CMAKE_FLAGS) $(SANITIZE_FLAGS) -DDORVANE_SANITIZE=thread
	rm -rf build-tsan/sanitizer-logs && mkdir -p build-tsan/sanitizer-logs
	cmake --build build-tsan -j2
	cd build-tsan && ctest --output-on-failure -j2
	@if [ -n "$$(ls build-tsan/sanitizer-logs)" ]; then cat build-tsan/sanitizer-logs/*; exit 1; fi

clean:
	rm -rf $(BUILD)
