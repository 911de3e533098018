# The project's front door. Everything runs from a fresh Debian 12 machine:
# each target installs what it needs first.
BUILD_DIR := build
JOBS := $(shell nproc)
CMAKE_FLAGS := -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=Release

# Windows need an X server; start one only where there is no display.
WITH_DISPLAY := $(if $(DISPLAY),,xvfb-run -a -s "-screen 0 1024x768x24")
export TAMRIVEL_BUILD_DIR := $(CURDIR)/$(BUILD_DIR)

.PHONY: all setup configure build test prefix clean

all: build

setup:
	@bash scripts/setup

configure: setup
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) -- --no-print-directory

prefix: setup
	@$(WITH_DISPLAY) scripts/init-wine-prefix $(CURDIR)/$(BUILD_DIR)/wineprefix

test: build prefix
	@cd $(BUILD_DIR) && $(WITH_DISPLAY) ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR)
