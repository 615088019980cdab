# The two commands of the README: `make run` and `make test`. Each installs what it needs.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
# Debian's Python, whose packages (Pillow) tools/ensure-deps.sh installs, runs the harness in
# the tests, `make run` and `make bench`, whatever other python3 comes first on the PATH.
export BRANTEL_PYTHON ?= /usr/bin/python3

.PHONY: all deps build cross host run test bench clean

all: build

deps:
	@bash tools/ensure-deps.sh

cross: deps
	cmake --preset cross >/dev/null
	cmake --build --preset cross -j $(JOBS)

host: deps
	cmake --preset host -DPython3_EXECUTABLE=$(BRANTEL_PYTHON) >/dev/null
	cmake --build --preset host -j $(JOBS)

build: cross host

run: cross
	bash tools/run.sh

test: build
	ctest --preset host -j $(JOBS)

# Times Brantel.exe under Wine against the project's baselines and a silent NSIS installer built
# from the same payload; results in build/bench/bench.md.
BENCH_RUNS ?= 7
bench: cross host
	$(BRANTEL_PYTHON) tools/bench/bench.py --cross-dir build/cross --out build/bench --runs $(BENCH_RUNS) \
	  --inspect build/host/tools/inspect/brantel-inspect

clean:
	rm -rf build
