# Both entry points do the whole set-up on a fresh Debian 12 machine.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test tsan package bench demo format clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	./$(BUILD)/bin/lexometer

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The windows' and jobs' tests under ThreadSanitizer, in build-tsan.
tsan: deps
	bash scripts/tsan.sh

# $(BUILD)/lexometer_<version>_<arch>.deb
package: build
	cd $(BUILD) && cpack -G DEB

bench: build
	bash bench/run.sh $(BUILD)
	bash bench/editor.sh $(BUILD)
	bash bench/concordance.sh $(BUILD)

# A results window for FILE (or for a sample text), until the main window lands.
demo: build
	./$(BUILD)/bin/lexometer-results-demo $(FILE)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)
