# Tessarin: make build | make run | make test
JOBS ?= $(shell nproc)
export CTEST_OUTPUT_ON_FAILURE := 1

.PHONY: all build host fuzz bootstrap run test bench dist lint format clean

all: build

bootstrap:
	@scripts/bootstrap

# The program folder: build/windows/bin (Tessarin.exe, imgctl.dll, docs/help.html).
build: bootstrap
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

host: bootstrap
	cmake --preset host >/dev/null
	cmake --build --preset host -j $(JOBS)

fuzz: bootstrap
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)

run: build
	scripts/run

test: build host fuzz
	scripts/test

bench: build
	scripts/bench

# build/windows/dist/Tessarin-<version>-win64.zip and its .sha256.
dist: build
	cmake --build --preset windows --target dist

lint: host
	scripts/lint

format:
	clang-format -i $$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp')

clean:
	rm -rf build
