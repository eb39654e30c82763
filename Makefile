# Convenience targets around CMake. `make run` and `make test` install what is
# missing first, so both work on a fresh Debian 12 machine.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 30
PACKAGE_DIR ?= build-package

.PHONY: all deps configure build run test test-sanitize fuzz bench package package-check format check-format tidy clean

all: build

deps:
	bash scripts/install-deps.sh

# Our builds treat every compiler warning as an error.
configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DPG_WERROR=ON

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	bash scripts/run.sh $(BUILD_DIR)/bin/pagegleaner

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer;
# run-time options and suppressions are in tests/sanitizers/.
test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DPG_SANITIZE=ON \
		-DPG_BUILD_BENCH=OFF -DPG_WERROR=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600

# Each libFuzzer target of fuzz/ for FUZZ_SECONDS from its seeds.
fuzz: deps
	bash fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

bench: build
	bash bench/run.sh $(BUILD_DIR)

# The Debian package pagegleaner_VERSION_ARCH.deb, built in a folder of its own.
package: deps
	JOBS=$(JOBS) bash scripts/build-package.sh $(PACKAGE_DIR)

# The package's files, control fields, metadata and lintian, and both programs
# run from the unpacked package.
package-check: package
	bash tests/package/check.sh

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails when a source differs from what clang-format makes of it.
check-format: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

# clang-tidy's bugprone checks (.clang-tidy) over every source of src/, from
# the compile commands of the build.
tidy: build
	git ls-files 'src/*.cpp' | xargs -P $(JOBS) -n 8 clang-tidy -p $(BUILD_DIR) --quiet

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR) $(PACKAGE_DIR) pagegleaner_*.deb
