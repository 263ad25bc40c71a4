# Lays out the working folder the program expects; run at every build, harmless to repeat.
if(NOT WORK_DIR)
  message(FATAL_ERROR "WORK_DIR is not set")
endif()
set(folders
  data data/3dob data/abc data/bkg data/colours data/dds data/engine data/png data/hmn data/language data/layout data/misc
  data/mpr data/obj data/pic data/script data/setups data/shots data/skies data/skins data/sound data/spr data/veh
  data/raf data/whl mods/vehicles cache bin/shaders2 dll)
foreach(folder IN LISTS folders)
  file(MAKE_DIRECTORY ${WORK_DIR}/${folder})
endforeach()
# The shaders are our own GLSL sources, compiled when the device is made.
if(SOURCE_DIR)
  file(GLOB shaders ${SOURCE_DIR}/bin/shaders2/*.glsl)
  file(COPY ${shaders} DESTINATION ${WORK_DIR}/bin/shaders2)
endif()
# The texts the program ships (the common help texts).
if(SOURCE_DIR)
  file(COPY ${SOURCE_DIR}/data/language/help.txt DESTINATION ${WORK_DIR}/data/language)
endif()
# The mod export's packer, "bin\7zr": Debian's 7zr linked into the working folder.
if(PACKER AND NOT EXISTS ${WORK_DIR}/bin/7zr)
  file(CREATE_LINK ${PACKER} ${WORK_DIR}/bin/7zr SYMBOLIC)
endif()
