# GoogleTest from the machine's sources (Debian package googletest),
# cross-compiled and linked statically into every test program.
set(GTEST_ROOT /usr/src/googletest/googletest)
if(NOT EXISTS ${GTEST_ROOT}/src/gtest-all.cc)
    message(FATAL_ERROR "GoogleTest sources not found in ${GTEST_ROOT}: run scripts/install-deps.sh")
endif()
add_library(gtest STATIC ${GTEST_ROOT}/src/gtest-all.cc)
target_include_directories(gtest SYSTEM PUBLIC ${GTEST_ROOT}/include PRIVATE ${GTEST_ROOT})
target_compile_options(gtest PRIVATE -w)
add_library(gtest_main STATIC ${GTEST_ROOT}/src/gtest_main.cc)
target_include_directories(gtest_main PRIVATE ${GTEST_ROOT}/include)
target_link_libraries(gtest_main PUBLIC gtest)
