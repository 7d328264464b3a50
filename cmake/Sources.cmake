# vesperine_sources(<out-var> <folder>...)
# Collects the .cpp files below the given folders. Qt code lives in folders named "Views",
# in src/App/Launch (the program put together on a real or a simulated platform) and in
# src/App/main.cpp; those and src/App/LeakSuppressions.cpp belong to the program, never to a
# library, so they are left out.
function(vesperine_sources out)
    set(files)
    foreach(dir IN LISTS ARGN)
        file(GLOB_RECURSE found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
        list(APPEND files ${found})
    endforeach()
    list(FILTER files EXCLUDE REGEX "/Views/")
    list(FILTER files EXCLUDE REGEX "/src/App/main\\.cpp$")
    # The sanitizers' suppressions belong to the program alone: in a library batch they would
    # be linked in twice.
    list(FILTER files EXCLUDE REGEX "/src/App/LeakSuppressions\\.cpp$")
    list(FILTER files EXCLUDE REGEX "/src/App/Launch/")
    list(FILTER files EXCLUDE REGEX "/src/Platform/")
    set(${out} ${files} PARENT_SCOPE)
endfunction()

# The Platform folders are collected on their own, one library each.
function(vesperine_platform_sources out dir)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
    set(${out} ${found} PARENT_SCOPE)
endfunction()
