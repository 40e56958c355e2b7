# tessark_set_warnings(target): the project's warning set on one target.
# With TESSARK_STRICT the warnings are errors; with TESSARK_SANITIZE every
# target is built and linked with ASan and UBSan.
function(tessark_set_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${TESSARK_STRICT}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual -Wconversion -Wsign-conversion
      $<$<BOOL:${TESSARK_STRICT}>:-Werror>)
  endif()
endfunction()

if(TESSARK_SANITIZE AND NOT MSVC)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
