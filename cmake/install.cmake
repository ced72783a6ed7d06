# Installing VORMINA (cmake --install) and its Debian package (make package, through CPack).
#
#   bin/                      vormina, vormina-cli
#   share/vormina/            the shipped material files and their English titles, the
#                             default cfg.inf, the manuals help.pdf and help.en.pdf
#   share/applications/       the desktop entry
#   share/icons/hicolor/      the icon, as SVG and PNGs
#   share/metainfo/           the AppStream metadata
#   share/man/man1/           the manual pages of both programs
#   share/doc/vormina/        copyright and changelog
#
# An installed program finds its shipped files in share/vormina beside its bin/ folder and
# keeps the user's own copies in the per-user data folder (see core/appdir.cpp).
include(GNUInstallDirs)

set(vormina_packaging ${CMAKE_SOURCE_DIR}/packaging)
set(vormina_app_id org.vormina.Vormina)

install(TARGETS vormina vormina-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/data/cfg.inf
              ${CMAKE_SOURCE_DIR}/data/scale.txt ${CMAKE_SOURCE_DIR}/data/code.txt
              ${CMAKE_SOURCE_DIR}/data/ptn.txt ${CMAKE_SOURCE_DIR}/data/ric.txt
              ${CMAKE_SOURCE_DIR}/data/AUX1.txt ${CMAKE_SOURCE_DIR}/data/AUX2.txt
              ${CMAKE_SOURCE_DIR}/data/scale.en.txt ${CMAKE_SOURCE_DIR}/data/ptn.en.txt
              ${CMAKE_SOURCE_DIR}/data/ric.en.txt ${CMAKE_SOURCE_DIR}/data/AUX1.en.txt
              ${CMAKE_SOURCE_DIR}/data/AUX2.en.txt
              ${CMAKE_BINARY_DIR}/help.pdf ${CMAKE_BINARY_DIR}/help.en.pdf
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vormina)
install(FILES ${vormina_packaging}/${vormina_app_id}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${vormina_packaging}/${vormina_app_id}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${vormina_packaging}/icons/${vormina_app_id}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${vormina_packaging}/icons/${vormina_app_id}-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${vormina_app_id}.png)
endforeach()

# Manual pages and the changelog are installed compressed, as Debian wants them.
set(vormina_gzipped)
foreach(source man/vormina.1 man/vormina-cli.1 changelog)
  get_filename_component(name ${source} NAME)
  set(out ${CMAKE_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9n -c ${vormina_packaging}/${source} > ${out}
    DEPENDS ${vormina_packaging}/${source}
    VERBATIM)
  list(APPEND vormina_gzipped ${out})
endforeach()
add_custom_target(vormina_packaging_files ALL DEPENDS ${vormina_gzipped})
install(FILES ${CMAKE_BINARY_DIR}/packaging/vormina.1.gz ${CMAKE_BINARY_DIR}/packaging/vormina-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${vormina_packaging}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vormina)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The VORMINA developers")
set(CPACK_PACKAGE_CONTACT "The VORMINA developers <developers@vormina.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://vormina.org/)
# The libraries (Qt 6, FluidSynth, RtMidi, PulseAudio, JACK) as dpkg-shlibdeps finds them,
# and what the program loads by name: a General MIDI SoundFont, the IPA fonts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fluid-soundfont-gm | timgm6mb-soundfont, fonts-ipafont-gothic, fonts-ipafont-mincho, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fluid-soundfont-gm, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "jackd2, musescore3")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop trainer for jazz improvisation")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
VORMINA shows a scale, a chord, a II-V-I pattern or a written phrase in the
key chosen on a treble staff, on a piano keyboard and on a circle of the
twelve pitch classes, and plays it with melody, accompaniment, bass and click
at the chosen tempo and swing, with count-in, repetitions, gradual speed-up
and an automatic move to the next key. A MIDI keyboard played along is judged
note by note. The user interface and the manual are in Japanese and in
English.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
