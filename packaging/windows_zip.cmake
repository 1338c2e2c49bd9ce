# kestovctl for Windows users, one command after a cross build:
#   cmake --build build-win --target windows_zip  ->  build-win/kestovctl-<version>-windows-x64.zip
# The program (stripped), a short read-me and the licence text.
set(KESTOV_ZIP_NAME kestovctl-${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}-windows-x64)
set(KESTOV_ZIP_STAGE ${PROJECT_BINARY_DIR}/zip-stage/${KESTOV_ZIP_NAME})
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/README.txt.in ${PROJECT_BINARY_DIR}/zip-readme.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_BINARY_DIR}/zip-licence.txt COPYONLY)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/${KESTOV_ZIP_NAME}.zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PROJECT_BINARY_DIR}/zip-stage
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KESTOV_ZIP_STAGE}
  COMMAND ${CMAKE_STRIP} -o ${KESTOV_ZIP_STAGE}/kestovctl.exe $<TARGET_FILE:kestovctl>
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_BINARY_DIR}/zip-readme.txt ${KESTOV_ZIP_STAGE}/README.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_BINARY_DIR}/zip-licence.txt ${KESTOV_ZIP_STAGE}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E chdir ${PROJECT_BINARY_DIR}/zip-stage
          ${CMAKE_COMMAND} -E tar cf ${PROJECT_BINARY_DIR}/${KESTOV_ZIP_NAME}.zip --format=zip --mtime=2000-01-01
          ${KESTOV_ZIP_NAME}
  DEPENDS kestovctl ${PROJECT_BINARY_DIR}/zip-readme.txt ${PROJECT_BINARY_DIR}/zip-licence.txt
  VERBATIM)
add_custom_target(windows_zip DEPENDS ${PROJECT_BINARY_DIR}/${KESTOV_ZIP_NAME}.zip)
