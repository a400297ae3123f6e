# make run   ARGS="folder..."   install what is missing, build, scan (default: the home folder)
# make gui   ARGS="folder... [--scan]"   install, build, open the window
# make test                     install, build, run every test
# make install [PREFIX=/usr/local]       build, install both programs, the .desktop file and the icon
# make bench                    install, build, run the benchmarks
BUILD ?= build
ARGS ?=
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps build run gui test bench install clean

all: build

deps:
	@./scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD)

run: build
	./$(BUILD)/src/cli/dorvane scan $(ARGS)

gui: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) --target dorvane-gui
	./$(BUILD)/src/gui/dorvane-gui $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j2

bench: build
	./bench/run-benchmarks $(BUILD)

install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

clean:
	rm -rf $(BUILD)
