# The fuzz drivers: one per parser of outside input. Read both by fuzz/CMakeLists.txt
# (libFuzzer builds) and by tests/reliability (replay of corpora and past findings). Their
# stand-in facilities come from tests/support, shared with the tests.
set(_fuzz "${CMAKE_CURRENT_LIST_DIR}")
set(QUENNO_FUZZ_TARGETS
    fuzz_signature_file
    fuzz_wildcard
    fuzz_dosattrib
    fuzz_registry_file
    fuzz_gif_loader
)
# The signature list's routines and its index are built in directly: they need nothing else of the
# detection library, whose checksum kernels are not what this driver looks at.
set(QUENNO_FUZZ_fuzz_signature_file_SOURCES "${_fuzz}/fuzz_signature_file.cpp"
    "${_fuzz}/../detection/SignatureFile.cpp" "${_fuzz}/../detection/SignatureFileLines.cpp"
    "${_fuzz}/../detection/SignatureIndex.cpp")
set(QUENNO_FUZZ_fuzz_signature_file_LIBS quenno_testsupport_core)
set(QUENNO_FUZZ_fuzz_wildcard_SOURCES "${_fuzz}/fuzz_wildcard.cpp")
set(QUENNO_FUZZ_fuzz_wildcard_LIBS quenno_platform_core)
set(QUENNO_FUZZ_fuzz_dosattrib_SOURCES "${_fuzz}/fuzz_dosattrib.cpp")
set(QUENNO_FUZZ_fuzz_dosattrib_LIBS quenno_platform_core)
set(QUENNO_FUZZ_fuzz_registry_file_SOURCES "${_fuzz}/fuzz_registry_file.cpp")
set(QUENNO_FUZZ_fuzz_registry_file_LIBS quenno_platform_ui)
set(QUENNO_FUZZ_fuzz_gif_loader_SOURCES "${_fuzz}/fuzz_gif_loader.cpp")
set(QUENNO_FUZZ_fuzz_gif_loader_LIBS quenno_shell quenno_testsupport)
