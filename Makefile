# Kelvaro: the two commands a newcomer needs are `make run` and `make test`.
BUILD ?= build
JOBS  ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build test run bench clean install package

deps:
	@scripts/deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE soak

run: build
	@scripts/run.sh $(BUILD)

# `make install` puts the programs, desktop entry, icon and metainfo under PREFIX (default /usr/local);
# DESTDIR=<folder> builds that tree under <folder> instead of /.
install: build
	@cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

# The Debian package kelvaro_<version>_<arch>.deb, written into the build folder.
package: build
	@cd $(BUILD) && cpack

clean:
	rm -rf $(BUILD)

# The serial link and every test labelled threads, under ThreadSanitizer.
.PHONY: test-tsan
test-tsan: deps
	@cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVARO_SANITIZE=thread $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-tsan -j $(JOBS)
	@cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" QT_QPA_PLATFORM=offscreen \
		ctest --output-on-failure -j $(JOBS) -L 'serial|threads'
