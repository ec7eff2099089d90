# The two commands of the README, make dist for a release and make soak for an endurance
# run. This file only delegates: to the setup script, the CMake presets, CTest and the scripts.
.PHONY: test run bench dist soak deps build clean

deps:
	tools/setup-deps.sh

build: deps
	cmake --preset host
	cmake --build --preset host
	cmake --preset win64
	cmake --build --preset win64

test: build
	ctest --preset host
	ctest --preset win64

run: deps
	tools/run.sh

bench: deps
	tools/bench.sh

# build/dist/Kestrane-<version>-win64.zip and its .sha256, from the release preset.
dist: deps
	cmake --preset release
	cmake --build --preset release

# Ten minutes of the real program under load (KESTRANE_SOAK_SECONDS for another length).
soak: deps
	tools/soak.sh

clean:
	rm -rf build
