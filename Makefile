# Entry points: `make` builds build/tavelin.exe, `make test` runs every test
# under Wine, `make run` runs the program under Wine.
BUILD   ?= build
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)
ARGS    ?=

.PHONY: all deps configure test run clean

all: configure
	cmake --build $(BUILD) --target tavelin difxapi_standin -j $(JOBS)

deps:
	@bash scripts/install-deps.sh

configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) \
		-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release

test: configure
	cmake --build $(BUILD) -j $(JOBS)
	bash scripts/with-display.sh ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

run: all
	bash scripts/run.sh $(BUILD) $(ARGS)

clean:
	rm -rf $(BUILD)
