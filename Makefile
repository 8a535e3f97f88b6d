# Entry points: `make test` (what CI runs) and `make run` (the program on the demo discs).
PRESET ?= dev
BUILD_DIR := build/$(PRESET)
DEP_GROUPS ?= build

.PHONY: all deps configure build test asan-test clean format

all: build

deps:
	@tools/setup-deps.sh $(DEP_GROUPS)

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

test: build
	@ctest --preset $(PRESET)

asan-test:
	@$(MAKE) --no-print-directory test PRESET=asan

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build

# The engine against SQLite on a full-size demo set; QUICK=1 for a small one (bench/run.sh).
.PHONY: bench
bench:
	@tools/setup-deps.sh build bench
	@bench/run.sh $(if $(QUICK),--quick)
