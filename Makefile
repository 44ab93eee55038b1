# make test: install what is missing, then build and run every test twice,
# once plainly and once under AddressSanitizer and UndefinedBehaviorSanitizer,
# and the threaded test a third time under ThreadSanitizer.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
TSAN_DIR ?= build-tsan
JOBS ?= $(shell nproc)
CTEST_FLAGS ?= --output-on-failure --timeout 900

SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
TSAN_ENV = TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

.PHONY: all bootstrap build test test-plain test-sanitize test-tsan demo clean

all: build

bootstrap:
	./scripts/bootstrap.sh

build: bootstrap
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: test-plain test-sanitize test-tsan

test-plain: build
	cd $(BUILD_DIR) && ctest $(CTEST_FLAGS)

test-sanitize: bootstrap
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DCLIPFERRY_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && $(SANITIZER_ENV) ctest $(CTEST_FLAGS)

# Only the library and the threaded test are built here.
test-tsan: bootstrap
	cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPFERRY_TSAN=ON
	cmake --build $(TSAN_DIR) -j $(JOBS)
	cd $(TSAN_DIR) && $(TSAN_ENV) ctest $(CTEST_FLAGS)

# The library end to end against the local Lumivid service (scripts/demo.sh).
demo: build
	./scripts/demo.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(TSAN_DIR)
