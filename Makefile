# The two commands: `make run` and `make test`. Both install what is missing
# from Debian's archive (as root, or through sudo), build into build/, then
# start the program or run every test.

BUILD_DIR ?= build
JOBS ?= 2
DEBIAN_PACKAGES := cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev zlib1g-dev libcurl4-openssl-dev libxml2-dev openssl libbenchmark-dev \
	clang libclang-rt-14-dev xvfb xauth x11-utils iputils-ping curl python3 fonts-liberation parallel \
	libxcb1-dev xclip imagemagick
# The Debian package, its checks, and the screenshot script.
DEBIAN_PACKAGES += dpkg-dev file fakeroot desktop-file-utils appstream lintian xdotool
# An HTTP/2-capable front end (nghttpx) for the fetch tests and benchmark.
DEBIAN_PACKAGES += nghttp2-proxy
# A real proxy (Digest auth, an https port) for the proxy tests.
DEBIAN_PACKAGES += squid
# The crawl benchmark's peers.
DEBIAN_PACKAGES += wget wget2
# The manual page of vandrell-harvest, made from its --help.
DEBIAN_PACKAGES += help2man
# Validated numbers for vandrell-harvest --region (libphonenumber reads its
# metadata with protobuf and characters with ICU; so do we).
DEBIAN_PACKAGES += libphonenumber-dev libprotobuf-dev libicu-dev
# The real-window test reads the window as a screen reader does.
DEBIAN_PACKAGES += at-spi2-core python3-pyatspi dbus-daemon
# vandrell-harvest --render drives Debian's Chromium; its tests and benchmark
# need it, the program only suggests it.
DEBIAN_PACKAGES += chromium

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: run test deps build clean package format

deps:
	@missing=""; for p in $(DEBIAN_PACKAGES); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		$(SUDO) apt-get update -qq && \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANDRELL_WERROR=ON
	cmake --build $(BUILD_DIR) -j$(JOBS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j1
	./fuzz/run-fuzz.sh 20
	JOBS=$(JOBS) ./tools/run-sanitized-tests.sh
	JOBS=$(JOBS) BUILD_DIR=$(BUILD_DIR) ./tools/run-thread-sanitized-harvest.sh

# Formats every source file in place with the project's .clang-format; the
# format test of `make test` fails on any file this would change.
format:
	./tools/check-format.sh --fix

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
		echo "No display found: starting Vandrell on a virtual X server (Xvfb)."; \
		xvfb-run -a -s "-screen 0 1280x1024x24" ./$(BUILD_DIR)/vandrell; \
	else \
		./$(BUILD_DIR)/vandrell; \
	fi

# Builds $(BUILD_DIR)/vandrell_<version>_<arch>.deb.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR) build-fuzz build-asan build-tsan
