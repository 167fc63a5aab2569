# Sets up a Debian machine, builds dict2step and runs it or its tests.
#   make run [IN=dictionary]   convert a dictionary (the bundled example by default)
#   make test                  run the test suite
#   make test-sanitize         run it again on a build with AddressSanitizer and
#                              UndefinedBehaviorSanitizer, where any report fails
#   make install [PREFIX=dir]  install the program and its manual page
#   make deb                   build the Debian package in the build directory
#   make bench                 time dict2step against xmllint and pugixml (bench/run.sh)
#   make windows               cross-build dict2step.exe and pack
#                              dict2step-VERSION-win64.zip in build-windows/
#   make test-windows          run the test suite on dict2step.exe under wine
#   make web                   build the page that edits and converts in the
#                              browser into build-web/site
#   make test-web              test that page in headless Chromium
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
WINDOWS_BUILD ?= build-windows
WEB_BUILD ?= build-web
IN ?= examples/fasteners.dict
PREFIX ?= /usr/local
# groff-base checks the manual page; dpkg-dev and file build the package.
PACKAGES = cmake make g++ flex libfl-dev byacc groff-base dpkg-dev file
# The Windows cross compiler (it brings the mingw-w64 headers and libraries)
# and groff, whose HTML output groff-base lacks; wine runs the tests.
WINDOWS_PACKAGES = cmake make flex byacc g++-mingw-w64-x86-64-posix groff
WINE_PACKAGES = wine64 wine
# emscripten compiles the page's converter; its optimiser needs node-acorn;
# npm (where Node.js came without it) installs the packages the page bundles.
WEB_PACKAGES = cmake make flex byacc emscripten node-acorn $(if $(shell command -v npm),,npm)
# The page's tests drive Debian's Chromium from Node.js; npm is the one that
# came with Node.js, or Debian's where Node.js came without it.
WEB_TEST_PACKAGES = chromium $(if $(shell command -v npm),,npm)

.PHONY: all deps deps-windows deps-wine build run test test-sanitize install deb bench \
	windows-build windows test-windows deps-web deps-web-test web test-web clean

all: build

# install_missing PACKAGES [APT-OPTIONS]: installs those of the packages that
# are missing, as root or through sudo, waiting for the package database
# while another installation holds it.
install_missing = @missing=; for p in $(1); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	    sudo=; [ "$$(id -u)" -eq 0 ] || sudo=sudo; \
	    echo "installing$$missing"; \
	    $$sudo apt-get -o DPkg::Lock::Timeout=900 update -qq && \
	    DEBIAN_FRONTEND=noninteractive $$sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq $(2) $$missing; \
	fi

# Installs the packages the build needs.
deps:
	$(call install_missing,$(PACKAGES))

deps-windows:
	$(call install_missing,$(WINDOWS_PACKAGES))

deps-wine:
	$(call install_missing,$(WINE_PACKAGES))

deps-web:
	$(call install_missing,$(WEB_PACKAGES))

deps-web-test:
	$(call install_missing,$(WEB_TEST_PACKAGES))

build: deps
	cmake -S . -B $(BUILD)
	cmake --build $(BUILD) -j 2

run: build
	./$(BUILD)/dict2step < $(IN)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j 2

# DESTDIR, if given, is put in front of PREFIX, for staged installs.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX)

deb: build
	cpack --config $(BUILD)/CPackConfig.cmake -G DEB -B $(BUILD)

# The test environment (ASAN_OPTIONS, UBSAN_OPTIONS) is set by the tests' CMake file.
test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DDICT2STEP_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j 2
	ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j 2

bench: deps
	sh bench/run.sh

# A cross build with mingw-w64 (packaging/mingw-w64.cmake); where wine is
# installed, its tests run the program under wine.
windows-build: deps-windows
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/packaging/mingw-w64.cmake
	cmake --build $(WINDOWS_BUILD) -j 2

windows: windows-build
	cpack --config $(WINDOWS_BUILD)/CPackConfig.cmake -G ZIP -B $(WINDOWS_BUILD)

# Now and then, under load, wine starts a program that runs nothing and ends
# with status 1, whatever its input: a test that fails is run once more, and
# one that fails twice fails.
test-windows: deps-wine
	$(MAKE) windows-build
	ctest --test-dir $(WINDOWS_BUILD) --output-on-failure -j 2 --repeat until-pass:2

# The site: index.html, its style, its script and worker bundled with the
# packages that npm ci installs from web/package-lock.json, the examples, and
# the converter as dict2step.js and dict2step.wasm; any static server can
# serve the folder.
web: deps-web
	emcmake cmake -S . -B $(WEB_BUILD)
	cmake --build $(WEB_BUILD) -j 2
	@echo "The page is in $(WEB_BUILD)/site: python3 -m http.server -d $(WEB_BUILD)/site"

# npm ci installs the test's pinned packages, which fetch no browser.
test-web: build web deps-web-test
	cd web/test && npm ci --no-audit --no-fund
	cd web/test && SITE=$(abspath $(WEB_BUILD))/site DICT2STEP=$(abspath $(BUILD))/dict2step \
	    DICTGEN=$(abspath $(BUILD))/bench/dictgen node --test diagnostics.test.mjs browser.test.mjs

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(WINDOWS_BUILD) $(WEB_BUILD)
