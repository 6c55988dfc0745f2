# Fails when a core unit includes a QtWidgets or QtGui header, or the platform layer a header from above it.
file(GLOB_RECURSE sources ${SRC}/*.cpp ${SRC}/*.h)
set(bad "")
foreach(f ${sources})
    if(f MATCHES "${PATTERN}" OR f MATCHES "/app/")
        continue()
    endif()
    file(STRINGS ${f} lines REGEX "#include[ \t]*<(QtWidgets|QtGui|QWidget|QApplication|QGuiApplication|QPainter|QColor|QFont|QMessageBox|QPixmap|QImage|QIcon)")
    if(lines)
        list(APPEND bad "${f}: ${lines}")
    endif()
endforeach()
if(bad)
    message(FATAL_ERROR "Core units include GUI headers:\n${bad}")
endif()
message("core units include no GUI header")

# The platform layer stands below every subsystem: it includes project headers of its own folder only.
file(GLOB_RECURSE platform ${SRC}/platform/*.cpp ${SRC}/platform/*.h)
set(upward "")
foreach(f ${platform})
    file(STRINGS ${f} lines REGEX "#include[ \t]*\"")
    foreach(line ${lines})
        if(NOT line MATCHES "#include[ \t]*\"platform/")
            list(APPEND upward "${f}: ${line}")
        endif()
    endforeach()
endforeach()
if(upward)
    message(FATAL_ERROR "The platform layer includes headers from above it:\n${upward}")
endif()
message("the platform layer includes nothing from above it")

# Every folder stands on a floor and includes project headers only from its own folder and the floors below, so
# no arrow points up: a shared service never reaches into the fronts that use it.
set(floors
    "platform"
    "settings"
    "machine"
    "breakpoints check help log accel"
    "files import editing diagram"
    "runner"
    "testset table pictures"
    "tasks"
    "cli window"
    "app")
set(level 0)
foreach(floor ${floors})
    string(REPLACE " " ";" names "${floor}")
    foreach(name ${names})
        set(floor_of_${name} ${level})
    endforeach()
    math(EXPR level "${level} + 1")
endforeach()
file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SRC} ${SRC}/*)
set(above "")
foreach(folder ${folders})
    if(NOT IS_DIRECTORY ${SRC}/${folder})
        continue()
    endif()
    if(NOT DEFINED floor_of_${folder})
        list(APPEND above "${folder}/ has no floor in tests/checkcoreheaders.cmake")
        continue()
    endif()
    file(GLOB_RECURSE units ${SRC}/${folder}/*.cpp ${SRC}/${folder}/*.h)
    foreach(f ${units})
        file(STRINGS ${f} lines REGEX "#include[ \t]*\"[a-z]+/")
        foreach(line ${lines})
            string(REGEX REPLACE ".*#include[ \t]*\"([a-z]+)/.*" "\\1" target "${line}")
            if(target STREQUAL folder)
                continue()
            endif()
            if(NOT DEFINED floor_of_${target} OR NOT floor_of_${target} LESS floor_of_${folder})
                list(APPEND above "${f}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()
if(above)
    message(FATAL_ERROR "Folders include headers from their own floor or above:\n${above}")
endif()
message("every folder includes only folders on the floors below it")
