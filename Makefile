# Sets up a Debian machine, builds dict2step and runs it or its tests.
#   make run [IN=dictionary]   convert a dictionary (the bundled example by default)
#   make test                  run the test suite
#   make bench                 time dict2step against xmllint (bench/run.sh)
BUILD ?= build
IN ?= examples/fasteners.dict
PACKAGES = cmake make g++ flex libfl-dev byacc

.PHONY: all deps build run test bench clean

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

bench: deps
	sh bench/run.sh

clean:
	rm -rf $(BUILD)
