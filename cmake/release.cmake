# A release a user downloads: ondrella-<version>-win32.zip from the i686 build,
# ondrella-<version>-win64.zip from the x86_64 one, each packed from its exe,
# docs/README.txt and LICENSE by scripts/pack-release.sh into the build folder, where
# `make dist` picks it up, and beside each zip the Windows Installer package of the same
# exe, ondrella-<version>-win32.msi or -win64.msi. They are built with everything else so
# that the tests check the very zip and installer that ship, the zip unpacked as a user
# unpacks it into release-unpacked/.

# No time stamp in the exe's header: the same sources link to the same bytes. No symbols
# and no debug information (the C runtime's own): they would more than double its size.
target_link_options(ondrella PRIVATE -Wl,--no-insert-timestamp -s)

if(CMAKE_CROSSCOMPILING)
  set(ONDRELLA_RELEASE_PLATFORM win32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ONDRELLA_RELEASE_PLATFORM win64)
  endif()
  set(ONDRELLA_RELEASE_ZIP
      ${CMAKE_BINARY_DIR}/ondrella-${PROJECT_VERSION}-${ONDRELLA_RELEASE_PLATFORM}.zip)
  add_custom_command(OUTPUT ${ONDRELLA_RELEASE_ZIP}
    COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/pack-release.sh ${ONDRELLA_RELEASE_ZIP}
            $<TARGET_FILE:ondrella> ${CMAKE_SOURCE_DIR}/docs/README.txt ${CMAKE_SOURCE_DIR}/LICENSE
            ${ONDRELLA_RELEASE_PLATFORM}
    DEPENDS ondrella ${CMAKE_SOURCE_DIR}/scripts/pack-release.sh
            ${CMAKE_SOURCE_DIR}/docs/README.txt ${CMAKE_SOURCE_DIR}/LICENSE
    VERBATIM)
  # The installer of the same exe, beside the zip (scripts/pack-installer.sh).
  set(ONDRELLA_RELEASE_MSI
      ${CMAKE_BINARY_DIR}/ondrella-${PROJECT_VERSION}-${ONDRELLA_RELEASE_PLATFORM}.msi)
  add_custom_command(OUTPUT ${ONDRELLA_RELEASE_MSI}
    COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/pack-installer.sh ${ONDRELLA_RELEASE_MSI}
            $<TARGET_FILE:ondrella> ${CMAKE_SOURCE_DIR}/res/ondrella.ico ${PROJECT_VERSION}
            ${ONDRELLA_RELEASE_PLATFORM}
    DEPENDS ondrella ${CMAKE_SOURCE_DIR}/scripts/pack-installer.sh
            ${CMAKE_SOURCE_DIR}/installer/ondrella.wxs ${CMAKE_SOURCE_DIR}/res/ondrella.ico
    VERBATIM)
  add_custom_target(dist ALL DEPENDS ${ONDRELLA_RELEASE_ZIP} ${ONDRELLA_RELEASE_MSI})

  # -DD gives the unpacked files the time of unpacking, so they are newer than the zip.
  set(ONDRELLA_RELEASE_UNPACKED ${CMAKE_BINARY_DIR}/release-unpacked)
  add_custom_command(OUTPUT ${ONDRELLA_RELEASE_UNPACKED}/ondrella.exe
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${ONDRELLA_RELEASE_UNPACKED}
    COMMAND unzip -q -DD ${ONDRELLA_RELEASE_ZIP} -d ${ONDRELLA_RELEASE_UNPACKED}
    DEPENDS ${ONDRELLA_RELEASE_ZIP}
    VERBATIM)
  add_custom_target(release_unpacked DEPENDS ${ONDRELLA_RELEASE_UNPACKED}/ondrella.exe)
  # The zip is made by the dist target alone: two targets that could each run its command
  # in a parallel build would pack it twice at once.
  add_dependencies(release_unpacked dist)
endif()
