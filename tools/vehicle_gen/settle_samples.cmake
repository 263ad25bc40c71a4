# Settles the sample vehicles as the program itself writes them: each "data/veh/<name>.veh" is
# read and written again by the program's vehicle output (/vehd=<name>) in a scratch folder, and
# what it wrote takes the sample's place.  The file then holds what the car's set-up derives
# (the summary figures of the mass and the engine, the option bits of the frame's special tube
# ends), as a vehicle saved by the editor does, so a sample loaded and written again unchanged
# keeps its bytes.
# Usage: cmake -DPROGRAM=<zkt_editor> -DWORK_DIR=<working folder> -DSCRATCH=<scratch folder>
#              -P settle_samples.cmake
foreach(variable PROGRAM WORK_DIR SCRATCH)
  if(NOT ${variable})
    message(FATAL_ERROR "${variable} is not set")
  endif()
endforeach()
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH}/data)
file(COPY ${WORK_DIR}/data/veh ${WORK_DIR}/data/engine DESTINATION ${SCRATCH}/data)
file(GLOB samples RELATIVE ${WORK_DIR}/data/veh ${WORK_DIR}/data/veh/*.veh)
foreach(sample IN LISTS samples)
  string(REGEX REPLACE "\\.veh$" "" name ${sample})
  execute_process(COMMAND ${PROGRAM} /vehd=${name}/log=settle.log WORKING_DIRECTORY ${SCRATCH}
                  RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE said)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the vehicle output of ${name} failed (${result}): ${said}")
  endif()
  file(COPY_FILE ${SCRATCH}/export/${name}/${name}.veh ${WORK_DIR}/data/veh/${sample})
endforeach()
file(REMOVE_RECURSE ${SCRATCH})
