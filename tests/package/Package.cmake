# The installed program: the launcher's per-user program folder, the desktop
# files, and the .deb installed and run by a normal user under Xvfb.
set(PACKAGE_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/package)

add_test(NAME package_launcher
         COMMAND bash ${PACKAGE_TESTS}/test_launcher.sh ${PROJECT_SOURCE_DIR}/packaging/orvanzev.sh)
add_test(NAME package_desktop_files
         COMMAND bash ${PACKAGE_TESTS}/test_desktop_files.sh ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})

# The .deb is made from this build tree, then installed on this machine.
add_test(NAME package_deb
         COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake -B ${CMAKE_BINARY_DIR}/package)
add_test(NAME package_install
         COMMAND bash ${PACKAGE_TESTS}/test_install.sh ${CMAKE_BINARY_DIR}/package ${PROJECT_VERSION} ${PROJECT_SOURCE_DIR})
set_tests_properties(package_deb PROPERTIES FIXTURES_SETUP package_deb)
set_tests_properties(package_install PROPERTIES FIXTURES_REQUIRED package_deb SKIP_RETURN_CODE 77 TIMEOUT 600 RUN_SERIAL TRUE)
set_tests_properties(package_launcher package_desktop_files package_deb package_install PROPERTIES LABELS package)
