# The two commands of the README: `make run` and `make test`. Each installs what it needs:
# building and running need no Node.js or npm, the tests do.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
# Debian's Python, whose packages (Pillow) tools/user/ensure-deps.sh installs, runs the harness in
# the tests, `make run` and `make bench`, whatever other python3 comes first on the PATH.
export BRANTEL_PYTHON ?= /usr/bin/python3
# The folder of component files to pack; without it, the build's own stand-ins. Given on each
# command, never kept from an earlier one: the cross preset sets the stand-ins unless told.
COMPONENTS ?=

.PHONY: all deps test-deps build cross host run test bench clean

all: build

deps:
	@bash tools/user/ensure-deps.sh

test-deps:
	@bash tools/user/ensure-deps.sh --test

cross: deps
	cmake --preset cross $(if $(COMPONENTS),"-DBRANTEL_PAYLOAD_DIR=$(abspath $(COMPONENTS))") >/dev/null
	cmake --build --preset cross -j $(JOBS)

host: test-deps
	cmake --preset host -DPython3_EXECUTABLE=$(BRANTEL_PYTHON) >/dev/null
	cmake --build --preset host -j $(JOBS)

build: cross host

run: cross
	bash tools/user/run.sh

test: build
	ctest --preset host -j $(JOBS)

# Times Brantel.exe under Wine against the project's baselines and a silent NSIS installer built
# from the same payload; results in build/bench/bench.md.
BENCH_RUNS ?= 7
bench: cross host
	$(BRANTEL_PYTHON) tools/testing/bench/bench.py --cross-dir build/cross --out build/bench --runs $(BENCH_RUNS) \
	  --inspect build/host/tools/user/inspect/brantel-inspect

clean:
	rm -rf build
