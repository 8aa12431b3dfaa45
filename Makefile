# The two commands of the README, and a few for developers.
#   make demo   install what is missing, build Release, run the player on the demo title
#   make test   install what is missing, build with sanitizers, run every test
#   make install [PREFIX=/usr/local] [DESTDIR=]   install the Release build
#   make package  the Debian package of both programs, checked by lintian
JOBS ?= $(shell nproc)
RELEASE := build/release
TESTBUILD := build/test
CMAKE_FLAGS := -G Ninja -Wno-dev
# Compilations are cached by ccache across clones: paths are made relative
# to the clone, so a fresh clone on the same machine rebuilds only what changed.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1

PREFIX ?= /usr/local

.PHONY: all deps build demo test bench fuzz install package clean

all: build

deps:
	@scripts/install-deps

$(RELEASE)/build.ninja: | deps
	cmake -S . -B $(RELEASE) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DNUVO_TESTS=OFF

build: deps $(RELEASE)/build.ninja
	cmake --build $(RELEASE) -j $(JOBS)

demo: build
	@scripts/run-demo $(RELEASE)

# DESTDIR, when given, is put in front of every installed path.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE) --prefix "$(PREFIX)"

# The package goes to build/release; lintian (when installed) must find no
# error in it, and its warnings are shown.
package: build
	cd $(RELEASE) && cpack -G DEB
	@deb=$$(ls -t $(RELEASE)/nuvoplayer_*.deb | head -n 1); \
	if command -v lintian >/dev/null; then lintian --fail-on error "$$deb" || exit 1; \
	else echo "package: lintian is not installed, so $$deb was not checked (scripts/install-deps installs it)"; fi; \
	echo "package: $$deb"

$(TESTBUILD)/build.ninja: | deps
	cmake -S . -B $(TESTBUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNUVO_SANITIZE=ON -DNUVO_TESTS=ON

# The tests of the real window need a display: without one they run on a
# virtual one from Xvfb (installed by scripts/install-deps).
test: deps $(TESTBUILD)/build.ninja
	cmake --build $(TESTBUILD) -j $(JOBS)
	cd $(TESTBUILD) && if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ] && command -v xvfb-run >/dev/null; then \
	    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j $(JOBS) --timeout 300; \
	else ctest --output-on-failure -j $(JOBS) --timeout 300; fi

bench: deps
	cmake -S . -B build/bench $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DNUVO_TESTS=OFF -DNUVO_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	@echo "benchmarks are in build/bench/bench/"

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build/fuzz $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNUVO_TESTS=OFF -DNUVO_FUZZ=ON
	cmake --build build/fuzz -j $(JOBS)
	@echo "fuzz targets are in build/fuzz/fuzz/"

clean:
	rm -rf build
