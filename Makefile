# Vantor: `make run` installs what is missing, builds and starts the program;
# `make test` builds and runs every test; `make bench` runs the benchmarks;
# `make screenshots` writes a PNG of every window and a PDF print of every plot
# window under build/screenshots/.
# `make sanitize` builds and runs every test under AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/; `make fuzz` builds the libFuzzer
# targets with clang in build-fuzz/ and runs each for FUZZ_SECONDS.
# `make install` builds and installs the program, its desktop entry and its
# icon under PREFIX (default /usr/local; DESTDIR stages them elsewhere), and
# the Python package vantor where Debian's python3 finds it under PREFIX.
# `make python` builds only the Python package (build/python/vantor).
# With CI set in the environment (.ci/run sets it) every build treats compiler
# warnings as errors; VANTOR_WERROR=ON or OFF on the command line decides
# otherwise.
BUILD ?= build
PREFIX ?= /usr/local
JOBS ?= $(shell nproc)
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := reader settings val format time_args import_table import_aavso json number
FUZZ_CXX ?= clang++-16
VANTOR_WERROR ?= $(if $(CI),ON,OFF)

.PHONY: all deps configure build python run test bench screenshots sanitize fuzz install clean

all: build

deps:
	@./scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVANTOR_WERROR=$(VANTOR_WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

python: configure
	@cmake --build $(BUILD) -j $(JOBS) --target vantor_python

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

# Qt's own libraries are not instrumented; nothing of ours is suppressed. The
# build is unoptimised: it compiles faster, and the tests need no speed.
sanitize: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DVANTOR_SANITIZE=ON -DVANTOR_BUILD_BENCH=OFF -DVANTOR_WERROR=$(VANTOR_WERROR) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) --no-tests=error

# New inputs go to $(FUZZ_BUILD)/corpus/<target>/, anything that breaks a check
# to $(FUZZ_BUILD)/crashes/<target>/; the committed seeds are only read.
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) -DVANTOR_FUZZ=ON -DVANTOR_WERROR=$(VANTOR_WERROR) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/crashes/$$t; \
	  echo "== fuzz_$$t for $(FUZZ_SECONDS) s"; \
	  $(FUZZ_BUILD)/tests/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/crashes/$$t/ \
	    $(FUZZ_BUILD)/corpus/$$t tests/fuzz/corpus/$$t 2>$(FUZZ_BUILD)/fuzz_$$t.log \
	    || { tail -n 60 $(FUZZ_BUILD)/fuzz_$$t.log; echo "fuzz_$$t failed: see $(FUZZ_BUILD)/crashes/$$t/"; exit 1; }; \
	  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units)' $(FUZZ_BUILD)/fuzz_$$t.log || true; \
	done

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b; done

install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

clean:
	@rm -rf $(BUILD)
