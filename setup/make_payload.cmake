# Packs the setup payload: cmake -DSTAGE=... -DOUTPUT=... -DTAVLO_EXE=...
# -DTOOLS_DIR=... -DPAYLOAD_DIR=... -DSEVEN_ZIP=... -P make_payload.cmake
#
# The archive holds what unpacks into the install folder: tavlo.exe; bin\ with
# ffmpeg.exe and ffprobe.exe (from resources/payload/bin when a packager put
# them there, else the tools folder of the build), and yt-dlp.exe, dwebp.exe
# and deno.exe when they are in resources/payload/bin; and the browser folder
# when resources/payload/browser exists.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/bin)
file(COPY ${TAVLO_EXE} DESTINATION ${STAGE})
foreach(tool ffmpeg.exe ffprobe.exe)
  if(EXISTS ${PAYLOAD_DIR}/bin/${tool})
    file(COPY ${PAYLOAD_DIR}/bin/${tool} DESTINATION ${STAGE}/bin)
  elseif(EXISTS ${TOOLS_DIR}/${tool})
    file(COPY ${TOOLS_DIR}/${tool} DESTINATION ${STAGE}/bin)
  else()
    message(WARNING "${tool} is missing: the payload goes without it")
  endif()
endforeach()
foreach(tool yt-dlp.exe dwebp.exe deno.exe)
  if(EXISTS ${PAYLOAD_DIR}/bin/${tool})
    file(COPY ${PAYLOAD_DIR}/bin/${tool} DESTINATION ${STAGE}/bin)
  endif()
endforeach()
if(IS_DIRECTORY ${PAYLOAD_DIR}/browser)
  file(COPY ${PAYLOAD_DIR}/browser DESTINATION ${STAGE})
endif()
file(REMOVE ${OUTPUT})
# A light compression: the payload is packed on every build of tavlo.exe.
execute_process(COMMAND ${SEVEN_ZIP} a -t7z -mx=3 -bd -y ${OUTPUT} *
                WORKING_DIRECTORY ${STAGE}
                RESULT_VARIABLE result
                OUTPUT_QUIET)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "7-Zip could not pack the payload (${result})")
endif()
