# The project's front door. Everything runs from a fresh Debian 12 machine:
# each target installs what it needs first, then builds only what it runs.
# `make help` lists the targets and their variables.
BUILD_DIR := build
JOBS := $(shell nproc)
# make splits words on spaces: a project or build folder with one in its path
# would reach the commands below cut in two.
ifneq ($(words $(CURDIR) $(BUILD_DIR)),2)
$(error The project's folder ($(CURDIR)) and BUILD_DIR ($(BUILD_DIR)) must not hold spaces: clone into a folder without them)
endif
CMAKE_FLAGS := -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=Release

# Windows need an X server: scripts/with-display starts one where there is none.
WITH_DISPLAY := scripts/with-display
# One Windows program alone: its Wine server ends with it, so that the
# command ends with the program instead of some seconds later.
TAMRIVEL_WINESERVER_LINGER ?= 0
RUN_ALONE := TAMRIVEL_WINESERVER_LINGER=$(TAMRIVEL_WINESERVER_LINGER) $(WITH_DISPLAY) scripts/wine-run
export TAMRIVEL_BUILD_DIR := $(if $(filter /%,$(BUILD_DIR)),$(BUILD_DIR),$(CURDIR)/$(BUILD_DIR))
export WINEPREFIX := $(TAMRIVEL_BUILD_DIR)/wineprefix

# The demo's files, as given (make demo TREE="my folders/tree.txt"): handed to
# the recipes through the environment, unexpanded, so that spaces, quotes and
# dollars in a path reach the program as they are.
TREE ?= demo/sample/tree.txt
ORDER ?= demo/sample/order.cfg
export DEMO_TREE := $(value TREE)
export DEMO_ORDER := $(value ORDER)

.PHONY: all help setup configure build test prefix clean
all: build

help:
	@echo 'make demo        sets up, builds the DLL and the demo, runs the module in the stand-in host'
	@echo '                   TREE=file   the folder tree: a UTF-8 outline (default demo/sample/tree.txt), or a folder'
	@echo '                   ORDER=file  the order file (default demo/sample/order.cfg; need not exist yet)'
	@echo '                   SETUP=1     also opens the host window and the order editor (needs a display)'
	@echo '                   ALL=1       lists every line, however long the tree and the order file'
	@echo 'make test        sets up, builds everything, runs every test'
	@echo '                   EMULATE32=1 runs the 32-bit programs under qemu, as a kernel without 32-bit code needs'
	@echo '                               (scripts/emulate32 off undoes it; any target takes it)'
	@echo 'make screenshot  saves the order editor on TREE and ORDER as build/editor.png (and its check list as build/editor-check.png)'
	@echo 'make fuzz        fuzzes the logic of the order file natively, then tells the lines the fuzzers reached'
	@echo '                   TIME=s      seconds for each fuzzer (default 300)'
	@echo 'make bench       the sorting benchmark'
	@echo '                   RUNS=n      runs per size (default 3)'
	@echo '                   SIZE=n      one tree of n folders (1 to 20000) instead of 100, 1,000 and 10,000'
	@echo 'make dist        the zip for users and its checksum, in build/dist/'
	@echo 'make clean       removes build/'

# EMULATE32=1: the 32-bit programs run under qemu's emulation even where the
# kernel could run them (as on a kernel that cannot); `scripts/emulate32 off`
# undoes it.
export EMULATE32
setup:
	@bash scripts/setup

# Configured once; after that `cmake --build` configures again by itself
# whenever a CMakeLists.txt changes.
configure: $(BUILD_DIR)/Makefile
$(BUILD_DIR)/Makefile: | setup
	@cmake -S . -B "$(BUILD_DIR)" --no-warn-unused-cli $(CMAKE_FLAGS) >/dev/null

# build_targets(targets...): builds only those (all of them when none is named).
build_targets = cmake --build "$(BUILD_DIR)" -j $(JOBS) $(if $(1),--target $(1)) -- --no-print-directory

build: setup configure
	@$(call build_targets)

prefix: setup
	@$(WITH_DISPLAY) scripts/init-wine-prefix "$(WINEPREFIX)"

test: build prefix
	@$(WITH_DISPLAY) ctest --test-dir "$(BUILD_DIR)" --output-on-failure -j $(JOBS)

clean:
	rm -rf "$(BUILD_DIR)"

# The demo: the module in the stand-in host on a sample, or on your own
# folder tree and order file.
DEMO := "$(BUILD_DIR)/demo/tamrivel_demo.exe"
DEMO_ARGS = --tree "$$(realpath -m -- "$$DEMO_TREE")" --order "$$(realpath -m -- "$$DEMO_ORDER")" \
            $(if $(SETUP),--setup) $(if $(ALL),--all)

.PHONY: demo demo-build screenshot needs-display
demo-build: setup configure
	@$(call build_targets,tamrivel tamrivel_demo)

demo: $(if $(SETUP),needs-display) demo-build prefix
	@$(RUN_ALONE) $(DEMO) $(DEMO_ARGS)

# The editor in setup mode waits for a person: a virtual display nobody sees
# would leave it waiting for ever.
needs-display:
	@[ -n "$$DISPLAY" ] || { echo "make demo SETUP=1 needs a display (DISPLAY is not set): the editor waits for you to use it"; exit 1; }

screenshot: demo-build prefix
	@$(RUN_ALONE) $(DEMO) $(DEMO_ARGS) --screenshot "$(TAMRIVEL_BUILD_DIR)/editor.png" >/dev/null
	@echo "Saved $(BUILD_DIR)/editor.png"
	@if [ -f "$(TAMRIVEL_BUILD_DIR)/editor-check.png" ]; then echo "Saved $(BUILD_DIR)/editor-check.png (the list of lines that name no folder)"; fi

# The order file's text logic, built natively under AddressSanitizer and
# UndefinedBehaviorSanitizer, fuzzed for TIME seconds each (make test gives
# each 30 s).
.PHONY: fuzz
fuzz: setup configure
	@$(call build_targets,fuzzers fuzz_coverage)
	@scripts/fuzz "$(BUILD_DIR)" $(or $(TIME),300)

.PHONY: bench
bench: setup configure prefix
	@if scripts/emulate32 active; then \
	     echo "The 32-bit programs run under qemu's emulation here: these figures are not Windows' or Wine's own;" \
	          "only ratios between two figures of this run mean anything."; fi
	@$(call build_targets,tamrivel sort_bench watch_bench)
	@$(RUN_ALONE) "$(BUILD_DIR)/bench/sort_bench.exe" $(or $(RUNS),3) $(SIZE)
	@$(RUN_ALONE) "$(BUILD_DIR)/bench/watch_bench.exe"

# The zip for users and its checksum: build/dist/tamrivel-VERSION.zip(.sha256),
# with VERSION from project() in CMakeLists.txt. Built twice, the same bytes.
.PHONY: dist
dist: setup configure
	@$(call build_targets,dist)
