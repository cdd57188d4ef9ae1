# The two commands: `make run` and `make test`. Both first install whatever
# Debian packages are missing (as root), then configure and build.

PACKAGES := g++ cmake ninja-build git tmux libgit2-dev libutf8proc-dev \
            libkf5syntaxhighlighting-dev libgtest-dev
# Only the tests need these (the commit message aids run in a real Neovim; the
# date tests build a German locale from the locale sources).
TEST_PACKAGES := neovim locales clang-format
ARGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 4)

RELEASE_DIR := build/release
TEST_DIR := build/sanitize
TSAN_DIR := build/tsan

.PHONY: run test build build-test deps deps-test clean

run: build
	$(RELEASE_DIR)/tarnwick $(ARGS)

# The suite under AddressSanitizer and UndefinedBehaviorSanitizer, then again
# under ThreadSanitizer.
test: build-test
	cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 300
	@[ -f $(TSAN_DIR)/build.ninja ] || cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Tsan
	cmake --build $(TSAN_DIR)
	cd $(TSAN_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 300

build: deps
	@[ -f $(RELEASE_DIR)/build.ninja ] || cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
	cmake --build $(RELEASE_DIR) --target tarnwick

build-test: deps-test
	@[ -f $(TEST_DIR)/build.ninja ] || cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Sanitize
	cmake --build $(TEST_DIR)

# Install only what is missing, so a machine that has everything pays nothing.
deps: WANTED = $(PACKAGES)
deps-test: WANTED = $(PACKAGES) $(TEST_PACKAGES)
deps deps-test:
	@missing=""; \
	for p in $(WANTED); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "installing:$$missing"; \
	    apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing || exit 1; \
	  else \
	    echo "missing packages; run as root:"; \
	    echo "  apt-get update && apt-get install -y --no-install-recommends$$missing"; \
	    exit 1; \
	  fi; \
	fi

clean:
	rm -rf build
