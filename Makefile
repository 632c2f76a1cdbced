# The two commands a developer needs: `make run` and `make check`.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all run check clean

all:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run: all
	./$(BUILD)/ziffralon

check: all
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
