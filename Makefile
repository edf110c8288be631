# make run    install what is missing, build, start the program
# make test   the same set-up, then every test under AddressSanitizer and UBSan
# make bench  build and run the benchmarks (release build)
# make fuzz   build the fuzz targets with clang and run each for FUZZ_SECONDS

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
CMAKE_GEN := -G Ninja

.PHONY: run build test bench fuzz deps clean

deps:
	@bash scripts/install-deps

build: deps
	cmake -S . -B build/release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DZEMO_TESTS=OFF
	cmake --build build/release -j $(JOBS)

run: build
	./build/release/zemo $(ARGS)

test: deps
	cmake -S . -B build/test $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DZEMO_SANITIZE=ON -DZEMO_TESTS=ON
	cmake --build build/test -j $(JOBS)
	cd build/test && ctest --output-on-failure -j $(JOBS) --timeout 600

bench: deps
	cmake -S . -B build/release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DZEMO_TESTS=OFF -DZEMO_BENCH=ON
	cmake --build build/release -j $(JOBS) --target benchmarks
	@set -e; for b in build/release/bench/bench_*; do echo "== $$b"; $$b; done

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build/fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEMO_TESTS=OFF -DZEMO_FUZZ=ON
	cmake --build build/fuzz -j $(JOBS)
	@bash scripts/run-fuzz build/fuzz $(FUZZ_SECONDS) $(TARGET)

clean:
	rm -rf build
