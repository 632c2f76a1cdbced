# The two commands a developer needs: `make run` and `make check`. Each first
# installs the Debian packages it lacks (scripts/install-deps).
# `make run ARGS="-e '2*(3+4)'"` passes arguments to the program: ARGS is read
# by the shell as written, so quote inside it as on a command line.
# `make fuzz` and `make bench` are for hardening and performance work.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
TSAN_BUILD ?= build-tsan
WINDOWS_BUILD ?= build-windows
JOBS ?= $(shell nproc)
ARGS ?=
PREFIX ?= /usr/local
PACKAGE_BUILD ?= build-package

.PHONY: all run check check-release check-sanitize check-tsan windows check-windows clean install uninstall package

all:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DZIFFRALON_TESTS=ON
	cmake --build $(BUILD) -j $(JOBS)

# Only the program: nothing that only the tests use is needed.
run:
	scripts/install-deps run
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DZIFFRALON_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS) --target ziffralon
	./$(BUILD)/ziffralon $(ARGS)

check:
	scripts/install-deps check
	$(MAKE) check-release
	$(MAKE) check-sanitize
	$(MAKE) check-tsan
	$(MAKE) check-windows

check-release: all
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer.
check-sanitize:
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZIFFRALON_SANITIZE=address,undefined
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)

# The library's threads test with ThreadSanitizer: many threads calling the
# library at once must never touch the interpreter's state unserialized.
check-tsan:
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZIFFRALON_SANITIZE=thread
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target library_threads
	./$(TSAN_BUILD)/tests/library_threads

# The program, manual pages, licence, header, library, pkg-config file and
# CMake package under PREFIX (PREFIX=~/.local needs no root). The list of
# what was installed is kept as installed_files.txt in the build folder (the
# tests install the build folder elsewhere, which rewrites CMake's own
# install_manifest.txt), and `make uninstall` removes exactly those files,
# then the folders the install created that are left empty (the folders that
# were there before are listed first, to tell them apart).
install:
	scripts/install-deps run
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$(PREFIX)"
	cmake --build $(BUILD) -j $(JOBS) --target ziffralon ziffralon_public
	{ find "$(PREFIX)" -type d 2>/dev/null || true; } > $(BUILD)/folders_before_install.txt
	cmake --install $(BUILD)
	cp $(BUILD)/install_manifest.txt $(BUILD)/installed_files.txt
	cmake -DMANIFEST=$(BUILD)/installed_files.txt -DPREFIX="$(PREFIX)" -DBEFORE=$(BUILD)/folders_before_install.txt \
	  -P cmake/installed_folders.cmake

uninstall:
	cmake -DMANIFEST=$(BUILD)/installed_files.txt -P cmake/uninstall.cmake

# The Debian package and the source tarball (each with a .sha256 file) in
# PACKAGE_BUILD, built for /usr with Debian's hardening flags, then checked by
# lintian. Install the package with `sudo apt install ./$(PACKAGE_BUILD)/ziffralon_*.deb`.
package:
	scripts/install-deps package
	cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release -DZIFFRALON_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
	  -DCMAKE_CXX_FLAGS="$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CPPFLAGS) \
	    $$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CXXFLAGS | sed 's/^-g //; s/ -g / /g')" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)"
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack -G DEB && cpack --config CPackSourceConfig.cmake
	lintian --info --pedantic --fail-on warning $(PACKAGE_BUILD)/ziffralon_*.deb

# Windows: cross-built with MinGW-w64 into $(WINDOWS_BUILD) (ziffralon.exe,
# ziffralon.dll with its import library, the static library, the zip), and
# its suite run under Wine.
windows:
	scripts/install-deps windows
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
	  -DBUILD_SHARED_LIBS=ON -DZIFFRALON_TESTS=ON
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	cd $(WINDOWS_BUILD) && cpack -G ZIP

check-windows: windows
	ctest --test-dir $(WINDOWS_BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(TSAN_BUILD) $(WINDOWS_BUILD) $(PACKAGE_BUILD)

-include fuzz/fuzz.mk
-include bench/bench.mk
