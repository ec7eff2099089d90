# The two commands of the README. This file only delegates: to the setup script, the CMake
# presets, CTest and the run script.
.PHONY: test run bench soak deps build clean

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

# Ten minutes of the real program under load (KESTRANE_SOAK_SECONDS for another length).
soak: deps
	tools/soak.sh

clean:
	rm -rf build
