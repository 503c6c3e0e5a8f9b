# libFuzzer target for the readers of bank authors' files (.xlsx, .ods, .docx, question lists).
target_compile_options(tiku_import PRIVATE ${fuzz_flags})

add_executable(fuzz_import fuzz_import.cpp)
target_compile_options(fuzz_import PRIVATE -fsanitize=fuzzer,address,undefined
                       -fno-omit-frame-pointer)
target_link_options(fuzz_import PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(fuzz_import PRIVATE tiku_import)

# Writes the seed packages (see scripts/fuzz.sh).
add_executable(fuzz_import_seeds fuzz_import_seeds.cpp)
target_compile_options(fuzz_import_seeds PRIVATE -fsanitize=address,undefined)
target_link_options(fuzz_import_seeds PRIVATE -fsanitize=address,undefined)
target_link_libraries(fuzz_import_seeds PRIVATE Qt6::Core PkgConfig::LIBZIP)
