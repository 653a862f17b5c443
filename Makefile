# The front door. Each target installs what is missing (Debian packages), builds what
# it needs and runs it:
#   make run    build ondrella.exe and start it in a private Wine virtual desktop
#   make test   build both configurations and run every test; ends with "N passed, N failed"
#   make test-busy  the same beside a load that keeps every core busy, and how long it took
#   make test-debian13  `make test` on Debian 13 (GCC 14, Wine 10) in a root of its own under
#               /var/cache, whatever Debian this machine runs (as root)
#   make bench  time the frame rebuild natively and under Wine
#   make soak   drive the applet under Wine with 2,000 presses and print what it measured
#   make dist   build the release zips dist/ondrella-<version>-win32.zip and -win64.zip
#               and print their SHA-256 sums
.PHONY: run test test-busy test-debian13 bench soak format clean

run:
	@bash scripts/run.sh

test:
	@bash scripts/test.sh

test-busy:
	@bash scripts/test-busy.sh

test-debian13:
	@bash scripts/test-debian13.sh

bench:
	@bash scripts/bench.sh

soak:
	@bash scripts/soak.sh

.PHONY: dist
dist:
	@bash scripts/dist.sh

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
