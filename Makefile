# The two commands of the README: `make run` and `make test`.
# Both install the Debian packages that are missing (and nothing else), then
# configure and build in build/.

PACKAGES := qt6-base-dev qt6-webengine-dev qt6-tools-dev qt6-translations-l10n \
            libqt6svg6 cmake g++ xvfb xauth libxcb1-dev desktop-file-utils appstream
BUILD    := build
JOBS     ?= $(shell nproc)
# Warnings are errors where WERROR=ON is given (CI gives it); off by default,
# so that a compiler newer than ours stops no one's build.
WERROR   ?= OFF
SUDO     := $(if $(filter 0,$(shell id -u)),,sudo)

.PHONY: run test build deps clean sanitize release fuzz package test-debian13

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "Corvane a besoin d'une session graphique (ni DISPLAY ni WAYLAND_DISPLAY n'est défini)."; \
	  echo "Sans écran, lancez-le dans un serveur X virtuel :  xvfb-run -a make run"; \
	  exit 1; \
	fi
	@if [ "$$(id -u)" = 0 ] && [ -z "$$QTWEBENGINE_DISABLE_SANDBOX" ]; then \
	  echo "Le moteur web refuse de démarrer en root : son bac à sable l'interdit."; \
	  echo "Lancez Corvane depuis un compte ordinaire, ou, en connaissance de cause :"; \
	  echo "  QTWEBENGINE_DISABLE_SANDBOX=1 make run"; \
	  exit 1; \
	fi
	@$(BUILD)/tools/corvane_engine_version
	cd $(BUILD) && ./corvane

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_WERROR=$(WERROR)
	cmake --build $(BUILD) -j$(JOBS)

# `make test` again in a Debian 13 root made below build-debian13/ (newer Qt
# and engine than Debian 12's), from the Debian archive apt uses here; the
# root is reused once it has its packages. Needs root (debootstrap, chroot).
test-debian13:
	$(SUDO) env WERROR='$(WERROR)' JOBS='$(JOBS)' tools/test-debian13.sh

# The unit and widget tests again, built with AddressSanitizer and
# UndefinedBehaviorSanitizer (not part of `make test`: it doubles the build).
# A sanitizer report fails its test. The end-to-end tests are left out: they
# run the web engine, whose own libraries are not built for the sanitizers.
sanitize: deps
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON -DCORVANE_BENCH=OFF \
	  -DCORVANE_WERROR=$(WERROR)
	cmake --build build-sanitize -j$(JOBS)
	cd build-sanitize && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=0:halt_on_error=1 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j$(JOBS) -L unit

# The program alone as packagers build it (Release), to show that it builds
# there too; no tests.
release: deps
	cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DCORVANE_TESTS=OFF -DCORVANE_BENCH=OFF \
	  -DCORVANE_WERROR=$(WERROR)
	cmake --build build-release -j$(JOBS)

# libFuzzer runs over the readers of the two files, FUZZ_SECONDS each, with
# clang (installed here, not by `make test`). New inputs go to build-fuzz/.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := fieldreader settings history
fuzz: deps
	@dpkg-query -W -f='$${Status}' clang 2>/dev/null | grep -q "install ok installed" || \
	  { $(SUDO) apt-get update && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y clang; }
	cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-fuzz -j$(JOBS)
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p build-fuzz/corpus/$$t; \
	  if ! build-fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -max_len=65536 \
	       -artifact_prefix=build-fuzz/crash-$$t- build-fuzz/corpus/$$t fuzz/corpus/$$t \
	       2> build-fuzz/fuzz_$$t.log; then \
	    tail -60 build-fuzz/fuzz_$$t.log; echo "fuzz_$$t a trouvé une erreur"; exit 1; \
	  fi; \
	  echo "fuzz_$$t: $$(grep '^Done' build-fuzz/fuzz_$$t.log)"; \
	done

# A Debian package of the program in build/ (corvane_<version>_<arch>.deb),
# whose dependencies dpkg-shlibdeps (from dpkg-dev) reads off the libraries
# the program links.
package: build
	@dpkg-query -W -f='$${Status}' dpkg-dev 2>/dev/null | grep -q "install ok installed" || \
	  { $(SUDO) apt-get update && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y dpkg-dev; }
	cd $(BUILD) && cpack -G DEB

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installation des paquets manquants :$$missing"; \
	  $(SUDO) apt-get update && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y $$missing; \
	fi

clean:
	rm -rf $(BUILD)
