# Two commands on a fresh Debian machine:
#   make run    installs what is missing, builds, starts the program
#   make test   installs what is missing, builds, runs every test
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?=

.PHONY: deps configure build run test package bench fuzz format format-check clean

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/vormina

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# The Debian package (build/vormina_VERSION_ARCH.deb), through CPack.
package: build
	cd $(BUILD) && cpack -G DEB

bench: build
	$(BUILD)/bench/vormina_bench
	$(BUILD)/bench/vormina_material_bench
	$(BUILD)/bench/vormina_prepare_bench
	$(BUILD)/bench/vormina_playback_bench
	$(BUILD)/bench/vormina_listen_bench
	$(BUILD)/bench/vormina_ear_bench
	$(BUILD)/bench/vormina_startup_bench

# Every fuzz target for FUZZ_SECONDS seconds (default 60), with clang and libFuzzer.
fuzz: deps
	./scripts/run-fuzzers.sh

# Formats every source file as .clang-format says; format-check only lists those that differ.
format: deps
	./scripts/check-format.sh --fix

format-check: deps
	./scripts/check-format.sh

clean:
	rm -rf $(BUILD) build-fuzz build-fuzz.configure.log
