# The two commands a newcomer needs: `make run` and `make test`.
# Everything builds under build/: host/ (the native rules test), win64/ (the
# 64-bit program and the test tools), win32/ (the 32-bit program).

SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
BUILD := build
JOBS ?= $(shell nproc)
CMAKE_FLAGS := -DCMAKE_BUILD_TYPE=MinSizeRel

.PHONY: all tools host win64 win32 build test lines run bench release format clean

all: build

tools:
	@scripts/setup-tools.sh

host: tools
	@cmake -S . -B $(BUILD)/host -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(BUILD)/host -j $(JOBS)

win32: tools
	@cmake -S . -B $(BUILD)/win32 $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DZARVEL_TESTS=OFF >/dev/null
	@cmake --build $(BUILD)/win32 -j $(JOBS)

win64: tools
	@cmake -S . -B $(BUILD)/win64 $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DZARVEL_TESTS=ON \
		-DZARVEL_HOST_BUILD=$(abspath $(BUILD)/host) -DZARVEL_WIN32_BUILD=$(abspath $(BUILD)/win32) >/dev/null
	@cmake --build $(BUILD)/win64 -j $(JOBS)

build: host win32 win64

# One CTest run: the scenarios on both builds side by side, static checks, rules.
# CTest names a skipped test without its reason; the reason follows its summary.
test: build
	@cd $(BUILD)/win64 && { ctest --output-on-failure -j 2; rc=$$?; \
		sed -n 's/^SKIPPED: /Skipped: /p' Testing/Temporary/LastTest.log; exit $$rc; }

# Lines of the program and of its tests, and their ratio.
lines:
	@python3 scripts/lines.py

run: win64
	@scripts/run.sh

bench: build
	@scripts/wine-env.sh bench/run.sh

release: tools
	@scripts/release.sh

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h' '*.c')

clean:
	rm -rf $(BUILD) dist
