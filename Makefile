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

# The demo: the module in the stand-in host on a sample, or on your own
# folder tree and order file (make demo TREE=my-tree.txt ORDER=my.cfg).
# SETUP=1 opens the host window and the order editor (needs a display).
TREE ?= demo/sample/tree.txt
ORDER ?= demo/sample/order.cfg
DEMO := $(BUILD_DIR)/demo/tamrivel_demo.exe
DEMO_ARGS := --tree "$(abspath $(TREE))" --order "$(abspath $(ORDER))" $(if $(SETUP),--setup)

.PHONY: demo screenshot needs-display
demo: $(if $(SETUP),needs-display) build prefix
	@$(WITH_DISPLAY) scripts/wine-run $(DEMO) $(DEMO_ARGS)

# The editor in setup mode waits for a person: a virtual display nobody sees
# would leave it waiting for ever.
needs-display:
	@[ -n "$$DISPLAY" ] || { echo "make demo SETUP=1 needs a display (DISPLAY is not set): the editor waits for you to use it"; exit 1; }

screenshot: build prefix
	@$(WITH_DISPLAY) scripts/wine-run $(DEMO) $(DEMO_ARGS) --screenshot "$(CURDIR)/$(BUILD_DIR)/editor.png" >/dev/null
	@echo "Saved $(BUILD_DIR)/editor.png"

.PHONY: bench
bench: build prefix
	@$(WITH_DISPLAY) scripts/wine-run $(BUILD_DIR)/bench/sort_bench.exe $(or $(RUNS),3) $(SIZE)

# The zip for users and its checksum: build/dist/tamrivel-VERSION.zip(.sha256),
# with VERSION from project() in CMakeLists.txt. Built twice, the same bytes.
.PHONY: dist
dist: configure
	@cmake --build $(BUILD_DIR) --target dist -- --no-print-directory
