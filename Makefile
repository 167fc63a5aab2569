# Sets up a Debian machine, builds dict2step and runs it or its tests.
#   make run [IN=dictionary]   convert a dictionary (the bundled example by default)
#   make test                  run the test suite
#   make test-sanitize         run it again on a build with AddressSanitizer and
#                              UndefinedBehaviorSanitizer, where any report fails
#   make install [PREFIX=dir]  install the program and its manual page
#   make deb                   build the Debian package in the build directory
#   make bench                 time dict2step against xmllint (bench/run.sh)
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
IN ?= examples/fasteners.dict
PREFIX ?= /usr/local
# groff-base checks the manual page; dpkg-dev and file build the package.
PACKAGES = cmake make g++ flex libfl-dev byacc groff-base dpkg-dev file

.PHONY: all deps build run test test-sanitize install deb bench clean

all: build

# Installs the packages the build needs, as root or through sudo.
deps:
	@missing=; for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	    sudo=; [ "$$(id -u)" -eq 0 ] || sudo=sudo; \
	    echo "installing$$missing"; \
	    $$sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y -qq $$missing; \
	fi

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

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
