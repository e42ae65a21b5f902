# The include check on a small tree of its own: it passes on a tree that keeps its
# layers, and names the file of a wrong include planted in a subfolder, which is held
# to its folder's rule (cli/system/ as cli/) or to its own (layout/xml/).
# Run as `cmake -DCHECK=<CheckIncludes.cmake> -DWORK=<scratch folder> -P PlantedIncludes.cmake`.
set(tree ${WORK}/tree)
file(REMOVE_RECURSE ${tree})
# One source per folder that has a rule, each including only from its own folder.
foreach(folder platform framework package layout layout/xml preview rules app cli)
  string(REPLACE "/" "_" name "${folder}")
  file(WRITE ${tree}/${folder}/${name}.h "#pragma once\n")
  file(WRITE ${tree}/${folder}/${name}.cpp "#include \"${folder}/${name}.h\"\n#include <vector>\n")
endforeach()

function(check expect_ok what)
  execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${tree} -P ${CHECK}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(expect_ok AND NOT rc EQUAL 0)
    message(FATAL_ERROR "${what}: the check failed on a tree that keeps its layers:\n${out}")
  endif()
  if(NOT expect_ok)
    if(rc EQUAL 0)
      message(FATAL_ERROR "${what}: the check passed:\n${out}")
    endif()
    foreach(needle IN LISTS ARGN)
      string(FIND "${out}" "${needle}" at)
      if(at EQUAL -1)
        message(FATAL_ERROR "${what}: the check's report lacks '${needle}':\n${out}")
      endif()
    endforeach()
  endif()
endfunction()

check(TRUE "a clean tree")

# rdbtool's system files in a subfolder of their own: allowed includes pass ...
file(WRITE ${tree}/cli/system/Console.cpp "#include \"cli/system/Console.h\"\n#include \"cli/cli.h\"\n#include \"rules/rules.h\"\n")
file(WRITE ${tree}/cli/system/Console.h "#pragma once\n#include \"platform/platform.h\"\n")
check(TRUE "allowed includes in cli/system/")
# ... and one from the window program does not.
file(WRITE ${tree}/cli/system/Planted.cpp "#include \"cli/cli.h\"\n  #  include \"app/app.h\"\n")
check(FALSE "cli/system/ including app/"
  "cli/system/Planted.cpp: #include \"app/app.h\": cli/ may include only from")
file(REMOVE ${tree}/cli/system/Planted.cpp)

# The XML parser keeps to its own, narrower rule, not layout/'s.
file(WRITE ${tree}/layout/xml/Planted.cpp "#include \"framework/framework.h\"\n")
check(FALSE "layout/xml/ including framework/"
  "layout/xml/Planted.cpp: #include \"framework/framework.h\": layout/xml/ may include only from")
file(REMOVE ${tree}/layout/xml/Planted.cpp)

# Deeper still: a subfolder of a subfolder.
file(WRITE ${tree}/rules/deep/er/Planted.h "#include \"cli/cli.h\"\n")
check(FALSE "rules/deep/er/ including cli/" "rules/deep/er/Planted.h")
file(REMOVE_RECURSE ${tree})
message("the include check holds subfolders to their layers")
