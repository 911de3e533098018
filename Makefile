# The project's front door. Everything runs from a fresh Debian 12 machine:
# each target installs what it needs first.
BUILD_DIR := build
JOBS := $(shell nproc)
CMAKE_FLAGS := -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=Release

# Windows need an X server: scripts/with-display starts one where there is none.
WITH_DISPLAY := scripts/with-display
export TAMRIVEL_BUILD_DIR := $(CURDIR)/$(BUILD_DIR)
export WINEPREFIX := $(TAMRIVEL_BUILD_DIR)/wineprefix

.PHONY: all setup configure build test prefix clean

all: build

setup:
	@bash scripts/setup

configure: setup
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) -- --no-print-directory

prefix: setup
	@$(WITH_DISPLAY) scripts/init-wine-prefix $(WINEPREFIX)

test: build prefix
	@$(WITH_DISPLAY) ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR)
