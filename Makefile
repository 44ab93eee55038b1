# make test: install what is missing, then build and run every test twice,
# once plainly and once under AddressSanitizer and UndefinedBehaviorSanitizer,
# and the Qt dialog's tests once more with Qt 5 (the plain build has Qt 6),
# and the threaded test a third time under ThreadSanitizer; run every fuzz
# target briefly; then build the Windows DLLs and check them (the Windows leg);
# last, make the release packages and test them as a user meets them.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
TSAN_DIR ?= build-tsan
# The Qt library, its application and its tests built with Qt 5.
QT5_DIR ?= build-qt5
# The fuzz targets; make fuzz runs each for FUZZ_SECONDS, make test for 30 s.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 1800
# The Windows DLLs, one build folder per architecture.
WIN_DIR_i686 ?= build-win32
WIN_DIR_x86_64 ?= build-win64
WIN_ARCHES = i686 x86_64
# Extra CMake settings for both Windows builds (e.g. -DCLIPFERRY_BUILD_WINDOWS_TESTS=ON).
WIN_CMAKE_FLAGS ?=
# The Windows leg's Wine prefix (made once, reused) and its service's state.
WINE_DIR ?= build-wine
# The release artifacts (make package) and the build the .deb files come from.
DIST_DIR ?= dist
PACKAGE_DIR ?= build-package
JOBS ?= $(shell nproc)
CTEST_FLAGS ?= --output-on-failure --timeout 900

SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
TSAN_ENV = TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

.PHONY: all bootstrap build test test-plain test-qt5 test-sanitize test-tsan test-fuzz fuzz test-windows windows $(addprefix windows-,$(WIN_ARCHES)) package test-package demo devserver clean

all: build

bootstrap:
	./scripts/bootstrap.sh

build: bootstrap
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: test-plain test-qt5 test-sanitize test-tsan test-fuzz test-windows test-package

test-plain: build
	cd $(BUILD_DIR) && ctest $(CTEST_FLAGS)

# The same source with Qt 5.15: only the Qt library, its application, the
# OBS plugin, what they stand on and the qt.* and obs.* tests are built and
# run (CLIPFERRY_QT_VERSION=5).
test-qt5: bootstrap
	@start=$$(date +%s); \
	cmake -S . -B $(QT5_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPFERRY_QT_VERSION=5 -DCLIPFERRY_BUILD_BENCH=OFF && \
	cmake --build $(QT5_DIR) -j $(JOBS) --target clipferry_qt_tests && \
	(cd $(QT5_DIR) && ctest $(CTEST_FLAGS) -R '^(qt|obs)\.') && \
	echo "test-qt5: the Qt 5 leg took $$(( $$(date +%s) - start )) s"

test-sanitize: bootstrap
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DCLIPFERRY_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && $(SANITIZER_ENV) ctest $(CTEST_FLAGS)

# Only the library and the threaded test are built here.
test-tsan: bootstrap
	cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPFERRY_TSAN=ON
	cmake --build $(TSAN_DIR) -j $(JOBS)
	cd $(TSAN_DIR) && $(TSAN_ENV) ctest $(CTEST_FLAGS)

# The fuzz targets (scripts/fuzz.sh): a finding fails the run and leaves its
# reproducer in $(FUZZ_DIR)/findings/TARGET/.
fuzz: bootstrap
	FUZZ_BUILD_DIR=$(FUZZ_DIR) JOBS=$(JOBS) ./scripts/fuzz.sh $(FUZZ_SECONDS)

# A fixed seed: the same short run on every submission, so a finding here is
# one that can be reproduced, not a draw of the day.
test-fuzz: bootstrap
	FUZZ_BUILD_DIR=$(FUZZ_DIR) JOBS=$(JOBS) FUZZ_FLAGS="-seed=1 $(FUZZ_FLAGS)" ./scripts/fuzz.sh 30

# clipferry.dll for 32-bit and 64-bit Windows, cross-built with mingw-w64,
# against the curl headers of the libcurl.dll built (once per machine, into a
# cache outside the repository) by scripts/build_libcurl_dll.sh.
windows: $(addprefix windows-,$(WIN_ARCHES))

$(addprefix windows-,$(WIN_ARCHES)): windows-%: bootstrap
	curl_dir=$$(./scripts/build_libcurl_dll.sh $*) && \
	cmake -S . -B $(WIN_DIR_$*) --no-warn-unused-cli -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-$*.cmake \
	  -DCLIPFERRY_CURL_WIN_INCLUDE_DIR=$$curl_dir/include $(WIN_CMAKE_FLAGS)
	cmake --build $(WIN_DIR_$*) -j $(JOBS)

# The Windows leg: both DLLs built and checked from the outside, then the
# end-to-end cases run by the Windows test host under Wine.
test-windows:
	@start=$$(date +%s); \
	$(MAKE) --no-print-directory windows WIN_CMAKE_FLAGS="-DCLIPFERRY_BUILD_WINDOWS_TESTS=ON \
	  -DCLIPFERRY_WINE_DIR=$(CURDIR)/$(WINE_DIR) $(WIN_CMAKE_FLAGS)" && \
	$(foreach arch,$(WIN_ARCHES),tests/windows/exports_check.sh $(arch) $(WIN_DIR_$(arch))/clipferry.dll &&) \
	$(foreach arch,$(WIN_ARCHES),(cd $(WIN_DIR_$(arch)) && ctest $(CTEST_FLAGS)) &&) \
	echo "test-windows: the Windows leg took $$(( $$(date +%s) - start )) s"

# The release (scripts/package.sh): the .deb files, the Windows SDK zip,
# the source tarball and SHA256SUMS, all in $(DIST_DIR)/.
package: windows
	@start=$$(date +%s); \
	DIST_DIR=$(DIST_DIR) PACKAGE_BUILD_DIR=$(PACKAGE_DIR) WIN32_BUILD=$(WIN_DIR_i686) \
	  WIN64_BUILD=$(WIN_DIR_x86_64) JOBS=$(JOBS) ./scripts/package.sh && \
	echo "package: took $$(( $$(date +%s) - start )) s"

# The packages as a user meets them (tests/packaging/deb_test.sh and
# windows_zip_test.sh): unpacked, checked, lintian, and the README's host
# built against each and run against the local service.
test-package: package
	@start=$$(date +%s); \
	tests/packaging/deb_test.sh $(DIST_DIR) $(PACKAGE_DIR)/docs && \
	tests/packaging/windows_zip_test.sh $(DIST_DIR) $(CURDIR)/$(WINE_DIR) $(PACKAGE_DIR)/docs/html && \
	echo "test-package: took $$(( $$(date +%s) - start )) s"

# The library end to end against the local Lumivid service (scripts/demo.sh).
# Configured as `make build` does, but only what `cmake --install` copies is
# built (clipferry_install_parts), quietly: the build's output is shown only
# when it fails.
demo:
	@./scripts/bootstrap.sh
	@echo "== Building in $(BUILD_DIR)/ what cmake --install copies: the library"
	@echo "   (libclipferry.so, from src/), the clipferry command (tools/clipferry/)"
	@echo "   with its shell completion, the reference pages and, when Qt 6 or 5 is"
	@echo "   found, the Qt library and clipferry-publisher (qt/): a few minutes on 2 cores,"
	@echo "   its output shown only if it fails"
	@log=$$(mktemp) && \
	if { echo "   configuring (cmake)" >&3 && cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo && \
	     echo "   compiling and linking" >&3 && \
	     cmake --build $(BUILD_DIR) -j $(JOBS) --target clipferry_install_parts; } 3>&1 >"$$log" 2>&1; \
	then rm -f "$$log"; \
	else cat "$$log" >&2; rm -f "$$log"; echo "make demo: the build failed (its output is above)" >&2; exit 1; fi
	@./scripts/demo.sh $(BUILD_DIR)

# The local Lumivid service in the foreground, to try the command against
# (scripts/devserver.sh): port 8765 unless PORT is given.
devserver:
	@KEEP_UPLOADS=$(KEEP_UPLOADS) ./scripts/devserver.sh $(PORT)

clean:
	rm -rf $(BUILD_DIR) $(QT5_DIR) $(SANITIZE_DIR) $(TSAN_DIR) $(FUZZ_DIR) $(foreach arch,$(WIN_ARCHES),$(WIN_DIR_$(arch))) $(WINE_DIR) \
	  $(PACKAGE_DIR) $(PACKAGE_DIR)-qt5 $(DIST_DIR)
