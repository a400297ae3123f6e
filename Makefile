# make run   ARGS="folder..."   install what is missing, build the command line only, scan (default: the home folder)
# make gui   ARGS="folder... [--scan]"   install, build the window, open it
# make test                     install, build everything, run every test
# make build                    install, build everything
# make bench                    install, build, run the benchmarks
# make install [PREFIX=/usr/local] [DESTDIR=]   install both programs, the .desktop file and the icon
BUILD ?= build
ARGS ?=
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: all deps build run gui test bench install clean

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
	./bench/run-benchmarks $(BUILD)

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

clean:
	rm -rf $(BUILD)
