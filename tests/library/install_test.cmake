# The installed library from outside the tree: cmake --install (component
# "library") into a fresh prefix, then (a) a C program built with
# `cc $(pkg-config --cflags --libs tessark)` and (b) a CMake project with
# find_package(Tessark), shared and static, each run and checked.
# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DCC=... -DCXX=... -DFLAGS="..." -P install_test.cmake
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}\n${out}")
  endif()
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --component library --prefix ${prefix})
file(GLOB_RECURSE pc_files ${prefix}/*/tessark.pc)
list(GET pc_files 0 pc_file)
get_filename_component(pc_dir ${pc_file} DIRECTORY)
file(GLOB_RECURSE sonames ${prefix}/*/libtessark.so.[0-9])
list(GET sonames 0 soname)
get_filename_component(lib_dir ${soname} DIRECTORY)
foreach(file ${prefix}/include/tessark/tessark.h ${prefix}/include/tessark/tessark.hpp ${lib_dir}/libtessark.a)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# (a) pkg-config and cc.
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
execute_process(COMMAND pkg-config --cflags --libs tessark OUTPUT_VARIABLE pc_flags OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know tessark")
endif()
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
separate_arguments(flags UNIX_COMMAND "${FLAGS}")
run(${CC} ${flags} ${SOURCE_DIR}/consumer/consumer.c ${pc_flags} -Wl,-rpath,${lib_dir} -o ${WORK_DIR}/consumer_c)
run(${WORK_DIR}/consumer_c)

# (b) find_package(Tessark).
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/consumer -B ${WORK_DIR}/consumer-build -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_CXX_COMPILER=${CXX} "-DCMAKE_CXX_FLAGS=${FLAGS}" -DCMAKE_BUILD_TYPE=Debug)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer-build)
run(${WORK_DIR}/consumer-build/consumer_shared)
run(${WORK_DIR}/consumer-build/consumer_static)
file(REMOVE_RECURSE ${WORK_DIR})
