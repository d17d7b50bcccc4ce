# The fuzz targets: each is <name>_fuzz.cpp, with its kept inputs in
# corpus/<name>/.
set(WYPELNIAK_FUZZ_TARGETS counted_reader line_reader pattern_search add_word thesaurus ipuz)
