# The layers, checked when the build is configured: a folder of src/ may include only its own
# headers and those of the folders below it. A new include that reaches up fails here, before
# anything is compiled.
#
#   rows <- model <- profiles <- settings <- window_logic <- desktop, gui, win32, cli
#   rows, profiles <- pipeline <- window_logic: the batch engine knows no window, only rows and choices
#   rows, platform <- kept_list (the list kept on disk for a restore) <- window_logic
#   platform, model, media <- analysis <- window_logic;  media <- encoder (raziz2u shares nothing else)
#   platform <- texts (the catalogues and the language in use) <- every folder above platform
#   unicode (UTF-16 at the Windows API) is below all of them
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.21)
endif()
set(_vidloom_layers
  "unicode:unicode"
  "platform:platform,unicode"
  "texts:texts,platform,unicode"
  "rows:rows,texts,unicode"
  "media:media,unicode"
  "model:model,rows,texts,platform,unicode"
  "profiles:profiles,model,rows,texts,platform,unicode"
  "pipeline:pipeline,profiles,rows,texts,platform,unicode"
  "settings:settings,profiles,model,rows,texts,platform,unicode"
  "analysis:analysis,media,model,rows,texts,platform,unicode"
  "kept_list:kept_list,rows,texts,platform,unicode"
  "window_logic:window_logic,kept_list,analysis,settings,pipeline,profiles,model,rows,texts,platform,unicode"
  "desktop:desktop,window_logic,kept_list,analysis,settings,pipeline,profiles,model,rows,texts,platform,unicode"
  "cli:cli,window_logic,kept_list,analysis,settings,pipeline,profiles,model,rows,texts,platform,unicode"
  "gui:gui,desktop,window_logic,kept_list,analysis,settings,pipeline,profiles,model,rows,texts,platform,unicode"
  "win32:win32,desktop,window_logic,kept_list,analysis,settings,pipeline,profiles,model,rows,texts,platform,unicode"
  "encoder:encoder,media,unicode")

# Every include of a source of src/ is checked: "folder/file.h" (or <folder/file.h> naming one of
# our folders) must name an allowed folder; "file.h" without a folder must lie beside the source.
# A folder of src/ that the table leaves out fails too. In script mode
# (cmake -DVIDLOOM_SOURCE_DIR=DIR -P LayerCheck.cmake) it checks the tree at DIR.
function(vidloom_check_layers root)
  set(problems "")
  set(folders "")
  foreach(entry IN LISTS _vidloom_layers)
    string(REGEX REPLACE ":.*" "" folder "${entry}")
    list(APPEND folders ${folder})
  endforeach()
  file(GLOB children LIST_DIRECTORIES true RELATIVE "${root}/src" "${root}/src/*")
  foreach(child IN LISTS children)
    if(IS_DIRECTORY "${root}/src/${child}" AND NOT child IN_LIST folders)
      string(APPEND problems "\n  src/${child}: a folder without a layer")
    endif()
  endforeach()
  foreach(entry IN LISTS _vidloom_layers)
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 0 folder)
    list(GET parts 1 allowed)
    string(REPLACE "," ";" allowed "${allowed}")
    file(GLOB_RECURSE sources "${root}/src/${folder}/*.h" "${root}/src/${folder}/*.cpp")
    foreach(source IN LISTS sources)
      get_filename_component(directory "${source}" DIRECTORY)
      file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
      foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]*)[>\"].*" "\\1;\\2"
                             include "${line}")
        list(GET include 0 quote)
        list(GET include 1 name)
        set(target "")
        if(name MATCHES "^([^/]+)/")
          set(target "${CMAKE_MATCH_1}")
          # <QtCore/...>, <sys/...>: not ours.
          if(quote STREQUAL "<" AND NOT target IN_LIST folders)
            continue()
          endif()
        elseif(quote STREQUAL "\"")
          if(NOT EXISTS "${directory}/${name}")
            file(RELATIVE_PATH shown "${root}" "${source}")
            string(APPEND problems "\n  ${shown}: ${line} (not beside it)")
          endif()
          continue()
        else()
          continue()
        endif()
        if(NOT target IN_LIST allowed)
          file(RELATIVE_PATH shown "${root}" "${source}")
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

if(CMAKE_SCRIPT_MODE_FILE)
  vidloom_check_layers("${VIDLOOM_SOURCE_DIR}")
else()
  vidloom_check_layers("${PROJECT_SOURCE_DIR}")
endif()
