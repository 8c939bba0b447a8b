BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: setup configure build programs run test bench bench-pipeline fuzz screenshot install package clean

setup:
	bash scripts/setup.sh

configure: setup
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Only the two programs: a window comes up without building the tests first.
programs: configure
	cmake --build $(BUILD) -j $(JOBS) --target programs

run: programs
	@if [ -x $(BUILD)/src/ui/linkharvest ]; then \
	  $(BUILD)/src/ui/linkharvest; \
	elif [ -x $(BUILD)/linkharvest-cli ]; then \
	  $(BUILD)/linkharvest-cli --help; \
	else \
	  echo "linkharvest: the window program is not built yet; 'make test' runs the core's tests."; \
	fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

# DESTDIR=/some/root make install installs into a scratch root; PREFIX defaults to /usr/local.
PREFIX ?= /usr/local
install: programs
	cmake --install $(BUILD) --prefix $(PREFIX)

# A .deb of both programs, the desktop file, icon and README (in $(BUILD)/).
package: programs
	cd $(BUILD) && cpack -G DEB

bench: build
	$(BUILD)/linkharvest-bench

# The whole per-page work beside lxml's parse plus extraction of the same pages, then the
# page toolkit's ms per MB from 1 to 16 MB.
bench-pipeline: configure
	cmake --build $(BUILD) -j $(JOBS) --target linkharvest-bench
	/usr/bin/python3 bench/pipeline_vs_lxml.py $(BUILD)/linkharvest-bench
	$(BUILD)/linkharvest-bench --benchmark_filter=BM_Linear --benchmark_repetitions=7 \
	  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true

# A picture of the main window as a first start shows it: the program runs under Xvfb
# with a fresh program folder (so no earlier settings), and saves build/screenshot.png,
# and the box at the end of a run as build/end-of-run.png.
screenshot: build
	rm -rf $(BUILD)/screenshot-folder && mkdir -p $(BUILD)/screenshot-folder
	QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu" \
	  xvfb-run -a -s "-screen 0 1280x800x24" \
	  $(BUILD)/tests/ui/linkharvest-screenshot $(BUILD)/screenshot-folder $(BUILD)/screenshot.png \
	  $(BUILD)/end-of-run.png

# Fuzz targets: a separate clang build, not part of `make test`. Run e.g.
#   fuzz-build/fuzz/fuzz_tag_scanner -max_total_time=600
fuzz:
	cmake -S . -B fuzz-build -DCMAKE_CXX_COMPILER=clang++ -DLH_FUZZ=ON -DLH_BUILD_UI=OFF \
	  -DLH_BUILD_BENCH=OFF -DLH_SANITIZE=OFF
	cmake --build fuzz-build -j 2 --target fuzz_tag_scanner fuzz_links_redirect \
	  fuzz_body_decoding fuzz_cookie_text fuzz_settings_file fuzz_keyword_file fuzz_engine_pages

clean:
	rm -rf $(BUILD)
