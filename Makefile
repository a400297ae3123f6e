# make run   ARGS="folder..."   install what is missing, build, scan (default: the home folder)
# make test                     install, build, run every test
# make bench                    install, build, run the benchmarks
BUILD ?= build
ARGS ?=
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps build run test bench clean

all: build

deps:
	@./scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD)

run: build
	./$(BUILD)/src/cli/dorvane scan $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j2

bench: build
	./bench/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD)
