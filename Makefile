BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: setup configure build run test bench fuzz screenshot clean

setup:
	bash scripts/setup.sh

configure: setup
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -x $(BUILD)/src/ui/linkharvest ]; then \
	  $(BUILD)/src/ui/linkharvest; \
	elif [ -x $(BUILD)/linkharvest-cli ]; then \
	  $(BUILD)/linkharvest-cli --help; \
	else \
	  echo "linkharvest: the window program is not built yet; 'make test' runs the core's tests."; \
	fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

bench: build
	$(BUILD)/linkharvest-bench

clean:
	rm -rf $(BUILD)
