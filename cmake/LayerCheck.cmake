# The layers, checked when the build is configured: a folder of src/ may include only its own
# headers and those of the folders below it. A new include that reaches up fails here, before
# anything is compiled.
#
#   platform <- model <- profiles <- pipeline, settings <- shell <- desktop, gui, win32, cli
#   platform, model, media <- analysis <- shell;  media <- encoder (raziz2u shares nothing else)
#   unicode (UTF-16 at the Windows API) is below all of them
set(_vidloom_layers
  "unicode:unicode"
  "platform:platform,unicode"
  "media:media,unicode"
  "model:model,platform,unicode"
  "profiles:profiles,model,platform,unicode"
  "pipeline:pipeline,profiles,model,platform,unicode"
  "settings:settings,profiles,model,platform,unicode"
  "analysis:analysis,media,model,platform,unicode"
  "shell:shell,analysis,settings,pipeline,profiles,model,platform,unicode"
  "desktop:desktop,shell,analysis,settings,pipeline,profiles,model,platform,unicode"
  "cli:cli,shell,analysis,settings,pipeline,profiles,model,platform,unicode"
  "gui:gui,desktop,shell,analysis,settings,pipeline,profiles,model,platform,unicode"
  "win32:win32,desktop,shell,analysis,settings,pipeline,profiles,model,platform,unicode"
  "encoder:encoder,media,unicode")

function(vidloom_check_layers)
  set(problems "")
  foreach(entry IN LISTS _vidloom_layers)
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 0 folder)
    list(GET parts 1 allowed)
    string(REPLACE "," ";" allowed "${allowed}")
    file(GLOB_RECURSE sources "${PROJECT_SOURCE_DIR}/src/${folder}/*.h"
         "${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp")
    foreach(source IN LISTS sources)
      file(STRINGS "${source}" includes REGEX "^#include \"[a-z_]+/")
      foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" target "${line}")
        if(NOT target IN_LIST allowed)
          file(RELATIVE_PATH shown "${PROJECT_SOURCE_DIR}" "${source}")
          string(APPEND problems "\n  ${shown}: ${line}")
        endif()
      endforeach()
    endforeach()
  endforeach()
  if(problems)
    message(FATAL_ERROR "A folder includes one above its layer:${problems}\n"
                        "See docs/ARCHITECTURE.md for what may include what.")
  endif()
endfunction()
vidloom_check_layers()
