# Entry points: `make test` (what CI runs) and `make run` (the program on the demo discs).
PRESET ?= dev
BUILD_DIR := build/$(PRESET)
DEP_GROUPS ?= build gui display
DEMO_DIR := $(CURDIR)/demo
# Two cores: the build shares the machine.
JOBS ?= 2

.PHONY: all deps configure build test asan-test fuzz run clean format install package

all: build

deps:
	@tools/setup-deps.sh $(DEP_GROUPS)

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

test: build
	@ctest --preset $(PRESET)

# The program on the demo discs (made once into demo/, which git ignores).
run: build
	@tools/run-demo.sh $(BUILD_DIR) $(DEMO_DIR)

asan-test:
	@$(MAKE) --no-print-directory test PRESET=asan

# Each fuzz target briefly from its seeds; FUZZ_SECONDS=3600 for a real campaign per target.
fuzz: deps
	@fuzz/run-regression.sh $(FUZZ_SECONDS)

# The programs, help file, manual pages, menu entry, icons and metadata, from an optimised
# build (preset package); DESTDIR is honoured.
PREFIX ?= /usr/local
install:
	@tools/setup-deps.sh build gui
	@cmake --preset package >/dev/null
	@cmake --build --preset package -j $(JOBS)
	@cmake --install build/package --prefix $(PREFIX) --strip

# The Debian package; its path is the last line printed. tools/check-package.sh validates it.
package:
	@tools/setup-deps.sh build gui package
	@cmake --preset package >/dev/null
	@cmake --build --preset package -j $(JOBS)
	@rm -f build/package/vel7m_*.deb
	@cpack --config build/package/CPackConfig.cmake -B build/package
	@realpath build/package/vel7m_*.deb

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build

# The engine against SQLite on a full-size demo set; QUICK=1 for a small one (bench/run.sh).
.PHONY: bench
bench:
	@tools/setup-deps.sh $(DEP_GROUPS) bench
	@bench/run.sh $(if $(QUICK),--quick)
