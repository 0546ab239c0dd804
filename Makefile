# Vantor: `make run` installs what is missing, builds and starts the program;
# `make test` builds and runs every test; `make bench` runs the benchmarks;
# `make screenshots` writes a PNG of every window and a PDF print of every plot
# window under build/screenshots/.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test bench screenshots clean

all: build

deps:
	@./scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
	  echo "make run: no display found; start it under a desktop session, or headless with: xvfb-run make run (or QT_QPA_PLATFORM=offscreen make run)"; \
	  exit 1; \
	fi
	@$(BUILD)/app/vantor

screenshots: build
	@QT_QPA_PLATFORM=offscreen $(BUILD)/app/vantor-screenshots $(BUILD)/screenshots

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --no-tests=error

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b; done

clean:
	@rm -rf $(BUILD)
