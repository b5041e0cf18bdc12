# Setup, build and test. `make demo` and `make test` each do the whole setup first.
SHELL := /bin/bash
.DEFAULT_GOAL := demo

PY312 := $(shell scripts/find-python.sh 3.12 || scripts/find-python.sh 3.13)
PY313 := $(shell scripts/find-python.sh 3.13)
VENV := .venv
VENV313 := .venv-3.13
CPP_BUILD := build/cpp
WHEEL_GLOB := dist/kestrova-0.3.2-cp312-abi3-*.whl
JOBS ?= 2
export PATH := $(CURDIR)/$(VENV)/bin:$(PATH)

.PHONY: demo test deps venv wheel install cpp-tests pytest bench format format-check clean \
	sanitize sanitize-cpp fuzz test-armhf test-armhf-python

deps:
	@scripts/system-deps.sh

$(VENV)/.ready: tests/requirements.txt | deps
	@test -n "$(PY312)" || { echo "python3.12 or newer not found" >&2; exit 1; }
	$(PY312) -m venv $(VENV)
	$(VENV)/bin/python -m pip install -q --upgrade pip
	$(VENV)/bin/python -m pip install -q scikit-build-core cmake ninja -r tests/requirements.txt
	touch $@

$(VENV313)/.ready: tests/requirements.txt | deps
	@test -n "$(PY313)" || { echo "python3.13 not found" >&2; exit 1; }
	$(PY313) -m venv $(VENV313)
	$(VENV313)/bin/python -m pip install -q --upgrade pip
	$(VENV313)/bin/python -m pip install -q -r tests/requirements.txt
	touch $@

venv: $(VENV)/.ready

# One abi3 wheel, built incrementally under build/.
wheel: $(VENV)/.ready
	rm -f $(WHEEL_GLOB)
	$(VENV)/bin/python -m pip wheel -q --no-build-isolation --no-deps -w dist .

install: wheel
	$(VENV)/bin/python -m pip install -q --force-reinstall --no-deps $(WHEEL_GLOB)

# Runs the command line tool on a shipped example and writes its chart.
DEMO_CHART := build/software_release.svg
demo: install
	@mkdir -p build
	$(VENV)/bin/kestrova run examples/software_release.json --svg $(DEMO_CHART)
	@echo "Chart written to $(DEMO_CHART) (open it in a browser)."

cpp-tests: $(VENV)/.ready
	cmake -S . -B $(CPP_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTROVA_BUILD_TESTS=ON \
	  -DPython_EXECUTABLE=$(CURDIR)/$(VENV)/bin/python
	cmake --build $(CPP_BUILD) -j $(JOBS)
	ctest --test-dir $(CPP_BUILD) --output-on-failure -j $(JOBS)

pytest: install $(VENV313)/.ready
	$(VENV313)/bin/python -m pip install -q --force-reinstall --no-deps $(WHEEL_GLOB)
	$(VENV)/bin/python -m pytest -q tests
	$(VENV313)/bin/python -m pytest -q tests

test: format-check cpp-tests pytest

bench: install
	cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTROVA_BUILD_TESTS=ON \
	  -DPython_EXECUTABLE=$(CURDIR)/$(VENV)/bin/python
	cmake --build build/bench -j $(JOBS)
	@for b in build/bench/bench/bench_*; do [ -x "$$b" ] && "$$b"; done; true
	@for b in bench/bench_*.py; do [ -f "$$b" ] && $(VENV)/bin/python "$$b"; done; true

# AddressSanitizer + UndefinedBehaviorSanitizer: the C++ tests, then the Python tests with the
# ASan runtime preloaded into the interpreter (leak checks off there: the interpreter itself
# keeps memory until exit). The C++ runtime is preloaded beside ASan: the interpreter does not
# link it, and without it ASan cannot find the real __cxa_throw, so the first exception thrown
# in the module aborts the process. The preload and the options travel through the environment
# into the Python subprocesses the tests start, so they import the instrumented module too. A
# process that runs away with memory stops at SANITIZE_RSS_MB instead of starving the machine.
ASAN_BUILD := build/asan
SANITIZE_RSS_MB ?= 4096
UBSAN_ENV := UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
sanitize-cpp: $(VENV)/.ready
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTROVA_BUILD_TESTS=ON \
	  -DKESTROVA_SANITIZE=ON -DPython_EXECUTABLE=$(CURDIR)/$(VENV)/bin/python
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:hard_rss_limit_mb=$(SANITIZE_RSS_MB) $(UBSAN_ENV) \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

sanitize: sanitize-cpp
	LD_PRELOAD="$$(g++ -print-file-name=libasan.so) $$(g++ -print-file-name=libstdc++.so.6)" \
	  ASAN_OPTIONS=detect_leaks=0:hard_rss_limit_mb=$(SANITIZE_RSS_MB) $(UBSAN_ENV) \
	  PYTHONPATH=$(CURDIR)/$(ASAN_BUILD)/python \
	  $(VENV)/bin/python -m pytest -q -p no:cacheprovider tests

# Coverage-guided fuzzing with libFuzzer (clang); FUZZ_SECONDS per target.
FUZZ_SECONDS ?= 60
FUZZ_BUILD := build/fuzz
FUZZ_TARGETS := $(basename $(notdir $(wildcard fuzz/fuzz_*.cpp)))
fuzz: $(VENV)/.ready
	scripts/system-deps.sh clang-14 libclang-rt-14-dev
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKESTROVA_FUZZ=ON -DPython_EXECUTABLE=$(CURDIR)/$(VENV)/bin/python
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)
	fuzz/run_all.sh $(FUZZ_BUILD)/fuzz $(FUZZ_SECONDS)

# Memcheck over about 650 sessions in 300 rounds (hosted calls that succeed and fail, local
# runs, scenario replacement, bad arguments): fails on any definitely lost block or memory
# error. The interpreter's own blocks are suppressed by scripts/valgrind-python.supp.
LEAK_BUILD := build/leakcheck
LEAK_ROUNDS ?= 300
.PHONY: leakcheck
leakcheck: $(VENV)/.ready
	cmake -S . -B $(LEAK_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DPython_EXECUTABLE=$(CURDIR)/$(VENV)/bin/python
	cmake --build $(LEAK_BUILD) --target kestrova -j $(JOBS)
	PYTHONPATH=$(CURDIR)/$(LEAK_BUILD)/python $(VENV)/bin/python scripts/valgrind_sessions.py \
	  --rounds $(LEAK_ROUNDS)

# The 32-bit ARM target: the analysis library and its tests, cross-compiled and run under qemu.
# Then the result texts of a scenario corpus, x86-64 against armhf: identical except where
# the 32-bit size type clamps a width by design.
ARMHF_BUILD := build/armhf
ARMHF_HOST_BUILD := build/armhf-host
test-armhf: $(VENV)/.ready
	scripts/armhf-deps.sh
	cmake -Wno-deprecated -S . -B $(ARMHF_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/armhf-toolchain.cmake -DKESTROVA_BUILD_TESTS=ON \
	  -DKESTROVA_BUILD_PYTHON=OFF -DKESTROVA_GTEST_SOURCE=/usr/src/googletest
	cmake --build $(ARMHF_BUILD) -j $(JOBS)
	ctest --test-dir $(ARMHF_BUILD) --output-on-failure -j $(JOBS)
	cmake -S . -B $(ARMHF_HOST_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTROVA_BUILD_TESTS=ON \
	  -DKESTROVA_BUILD_PYTHON=OFF
	cmake --build $(ARMHF_HOST_BUILD) --target test_result_portability -j $(JOBS)
	scripts/armhf-compare-results.sh $(ARMHF_HOST_BUILD) $(ARMHF_BUILD)

# The extension on armhf: a Debian armhf tree with python3.13 (build/armhf-root), the module
# cross-built against it (build/armhf-python), the Python tests run inside it under qemu.
test-armhf-python: $(VENV)/.ready
	JOBS=$(JOBS) scripts/armhf-python-tests.sh

FORMAT_FILES = $(shell git ls-files '*.cpp' '*.hpp')
format:
	clang-format -i $(FORMAT_FILES)
format-check:
	clang-format --dry-run --Werror $(FORMAT_FILES)

clean:
	rm -rf build dist
