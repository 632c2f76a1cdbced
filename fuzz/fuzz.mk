# Hardening: `make fuzz` and `make valgrind`, included by the top Makefile.
#
# make fuzz                    builds build-fuzz with clang, ASan and UBSan, then
#                              runs each fuzzer FUZZ_SECONDS seconds, one after the other
# make fuzz FUZZ_SECONDS=1800  a longer campaign
# make valgrind                every golden transcript through ./build/ziffralon under valgrind
#
# Symbols are never freed, so one fuzzer process grows with every new variable
# it meets; a run is therefore cut into chunks of at most FUZZ_CHUNK_SECONDS,
# each a fresh process that starts from the corpus the earlier ones grew.
FUZZ_BUILD ?= build-fuzz
FUZZ_CXX ?= clang++-14
FUZZ_SECONDS ?= 60
FUZZ_CHUNK_SECONDS ?= 60
FUZZ_TARGETS := console evaluate compile
FUZZ_ARTIFACTS := fuzz/artifacts
# The console fuzzer may reach the parser's depth limit (9996 open parentheses),
# and so may the compile fuzzer, whose interpreters take texts of any length;
# the evaluator refuses texts over 254 bytes, so a few of them per input suffice.
FUZZ_MAX_LEN_console := 12000
FUZZ_MAX_LEN_evaluate := 1024
FUZZ_MAX_LEN_compile := 12000
FUZZ_FLAGS ?= -timeout=20 -rss_limit_mb=2048 -print_final_stats=1

.PHONY: fuzz fuzz-build fuzz-corpus valgrind

fuzz-build:
	scripts/install-deps fuzz
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DZIFFRALON_TESTS=OFF -DZIFFRALON_FUZZ=ON -DZIFFRALON_SANITIZE=address,undefined
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))

# Seeds: the golden transcripts, and for the console the deepest nesting the
# parser takes and one level more; the stack is at its deepest once the first
# ')' arrives, so the seeds stop there and stay under the length limit.
fuzz-corpus:
	mkdir -p $(FUZZ_ARTIFACTS) $(addprefix fuzz/corpus-,$(FUZZ_TARGETS))
	for target in $(FUZZ_TARGETS); do cp tests/transcripts/*.in fuzz/corpus-$$target/; done
	for depth in 9995 9996; do for target in console compile; do \
	  { printf "%0$${depth}d" 0 | tr 0 '('; printf '1)\n'; } > fuzz/corpus-$$target/seed_nesting_$$depth; \
	done; done

fuzz: fuzz-build fuzz-corpus
	@for target in $(FUZZ_TARGETS); do \
	  left=$(FUZZ_SECONDS); \
	  while [ $$left -gt 0 ]; do \
	    chunk=$$(( left < $(FUZZ_CHUNK_SECONDS) ? left : $(FUZZ_CHUNK_SECONDS) )); \
	    echo "== fuzz_$$target: $$chunk s"; \
	    case $$target in console) max_len=$(FUZZ_MAX_LEN_console);; compile) max_len=$(FUZZ_MAX_LEN_compile);; \
	      *) max_len=$(FUZZ_MAX_LEN_evaluate);; esac; \
	    ./$(FUZZ_BUILD)/fuzz/fuzz_$$target $(FUZZ_FLAGS) -max_total_time=$$chunk -max_len=$$max_len \
	      -dict=fuzz/ziffralon.dict -artifact_prefix=$(FUZZ_ARTIFACTS)/ fuzz/corpus-$$target || exit 1; \
	    left=$$(( left - chunk )); \
	  done; \
	done

# Symbols live until the process ends and show as "still reachable"; only
# memory that is definitely lost, or any invalid access, fails.
valgrind: all
	scripts/install-deps valgrind
	@passed=0; failed=0; \
	for input in tests/transcripts/*.in; do \
	  if valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
	       ./$(BUILD)/ziffralon < $$input > /dev/null; then \
	    passed=$$((passed + 1)); \
	  else \
	    echo "valgrind found errors with $$input"; failed=$$((failed + 1)); \
	  fi; \
	done; \
	echo "valgrind: $$passed passed, $$failed failed"; \
	[ $$failed -eq 0 ]
