# The board maker's package: one folder per processor, each a complete setup directory
# (SETUP.EXE with the programs it starts and the sample INFs beside it), and the maker's
# guide at the top. The x64 tree makes the ZIP and takes the x86 tree's files into it:
#
#   cmake --build --preset windows-x64 && cmake --build --preset windows-x86
#   cpack --config build/windows-x64/CPackConfig.cmake      (scripts/package does both)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(SETUP_PACKAGE_ARCH x64)
else()
    set(SETUP_PACKAGE_ARCH x86)
endif()

install(TARGETS setup isdel pmzcpl RUNTIME DESTINATION ${SETUP_PACKAGE_ARCH} LIBRARY DESTINATION ${SETUP_PACKAGE_ARCH})
install(FILES lab/package/DRV_QVX.INF lab/package/QVXMODEM.INF DESTINATION ${SETUP_PACKAGE_ARCH})
# The sample driver: the lab's stand-in for the board's driver, under the name the
# sample setup INF gives it. A maker puts the board's own driver in its place.
install(PROGRAMS $<TARGET_FILE:labsvc> DESTINATION ${SETUP_PACKAGE_ARCH} RENAME QVXBOARD.EXE)
# The guide as a text file with Windows line ends, for Notepad.
configure_file(docs/MAKERS-GUIDE.md ${CMAKE_BINARY_DIR}/MAKERS-GUIDE.TXT @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/MAKERS-GUIDE.TXT DESTINATION .)

set(SETUP_X86_BUILD_DIR ${CMAKE_SOURCE_DIR}/build/windows-x86 CACHE PATH
    "The x86 build tree whose files the package takes into its x86 folder")

set(CPACK_PACKAGE_NAME ModemBoardSetup)
set(CPACK_PACKAGE_VENDOR "Quovix Labs")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ModemBoardSetup-${PROJECT_VERSION})
set(CPACK_GENERATOR ZIP)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_SOURCE_DIR}/out/package)
if(SETUP_PACKAGE_ARCH STREQUAL x64)
    set(CPACK_INSTALL_CMAKE_PROJECTS
        "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/"
        "${SETUP_X86_BUILD_DIR};${PROJECT_NAME};ALL;/")
endif()
include(CPack)
