# Kelvaro: the two commands a newcomer needs are `make run` and `make test`.
BUILD ?= build
JOBS  ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build test run bench clean install package test-package fuzz test-asan soak format test-wine windows \
  qt-windows bench-wine screenshots test-spreadsheet

deps:
	@scripts/deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE 'soak|spreadsheet'

# A sheet from `kelvaro-cli sheet` through LibreOffice Calc (headless, installed here
# first: some 80 MB) and back into a simulated module.
test-spreadsheet: build
	@scripts/deps.sh libreoffice-calc-nogui
	@cd $(BUILD) && ctest --output-on-failure -L spreadsheet

run: build
	@scripts/run.sh $(BUILD)

# Read, write and compare against the simulated module: paced at 19200 bit/s against
# the wire time, unpaced per block, the CPU of a wait on a silent module, paced again
# behind a USB adapter's 16 ms and 1 ms latency, and over a real ser2net, directly and
# behind a relay that holds each way 20 ms; then finding the module over 1 and 8 ports.
bench: configure
	@cmake --build $(BUILD) --target transfer_bench find_bench -j $(JOBS)
	@$(BUILD)/bench/transfer_bench
	@$(BUILD)/bench/find_bench

# The guides' pictures, docs/images/*.png, drawn by the program against the simulated module on
# an X server of its own; and a sheet as LibreOffice Calc shows it.
screenshots: build
	@scripts/screenshots.sh $(BUILD)
	@scripts/sheet_picture.sh $(BUILD)

# `make install` puts the programs, desktop entry, icon and metainfo under PREFIX (default /usr/local);
# DESTDIR=<folder> builds that tree under <folder> instead of /.
install: build
	@cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

# The Debian package kelvaro_<version>_<arch>.deb, written into the build folder.
package: build
	@cd $(BUILD) && cpack

# The package, made afresh and checked by lintian (which must report nothing).
test-package: package
	@cd $(BUILD) && ctest --output-on-failure -R '^packaging_lintian$$'

# Hardening. Each keeps a build folder of its own.
# `make fuzz` runs every fuzz target for FUZZ_SECONDS (clang, libFuzzer, ASan and UBSan).
FUZZ_SECONDS ?= 60
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKELVARO_FUZZ=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-fuzz --target kelvaro_fuzz_all -j $(JOBS)
	@fuzz/run_fuzz.sh build-fuzz $(FUZZ_SECONDS)

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer; any report fails the test.
SANITIZER_OPTIONS = ASAN_OPTIONS=abort_on_error=1:halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1:strict_init_order=1 \
  UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1
test-asan: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELVARO_SANITIZE=address,undefined $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && $(SANITIZER_OPTIONS) QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE 'soak|spreadsheet'

# 1,000 transfer procedures against the simulated module with random faults.
soak: deps
	@cmake -S . -B build-soak -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-soak --target soak_tests -j $(JOBS)
	@cd build-soak && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -V -L soak

# The Qt for Windows, made once from Debian's qt6-base source and kept outside the
# clone (about 30 minutes on 2 cores the first time); `make windows` makes it when missing.
qt-windows:
	@JOBS=$(JOBS) scripts/qt_windows.sh

# Windows: build-win/Kelvaro-<version>-setup.exe, the portable Kelvaro-<version>-win64.zip
# and kelvaro-cli-<version>-win64.zip.
windows:
	@JOBS=$(JOBS) scripts/windows.sh build

# The Windows build's tests under Wine: the core, the windows on the offscreen platform,
# the command-line tool, and the setup program installed and run end to end.
test-wine:
	@JOBS=$(JOBS) scripts/windows.sh test

# The transfers of the Windows build under Wine against the paced simulated module: read,
# write and compare, timed in the process, set against their wire time.
bench-wine:
	@JOBS=$(JOBS) scripts/windows.sh bench

# Applies .clang-format to every C++ file; `make test` checks that nothing is left to change.
format: deps
	@scripts/format.sh

clean:
	rm -rf $(BUILD)

# The serial link and every test labelled threads, under ThreadSanitizer.
.PHONY: test-tsan
test-tsan: deps
	@cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVARO_SANITIZE=thread $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-tsan -j $(JOBS)
	@cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" QT_QPA_PLATFORM=offscreen \
		ctest --output-on-failure -j $(JOBS) -L 'serial|threads'
