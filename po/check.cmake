# Fails when a text a person reads has no translation in a catalog, or when
# a catalog is not well formed. The texts are those the sources say through
# explain(), say(), a directive warning's format, complain(), the page's
# t(), or mark with N_(): these lists of keywords are the one place that
# names them.
#   cmake -DXGETTEXT=xgettext -DMSGCMP=msgcmp -DMSGFMT=msgfmt -DSOURCE=. -DWORK=dir -P check.cmake
file(GLOB_RECURSE sources "${SOURCE}/src/*.cpp" "${SOURCE}/src/*.h")
list(SORT sources)
execute_process(COMMAND "${XGETTEXT}" --language=C++ --from-code=UTF-8 --no-location
                        --keyword=explain --keyword=say --keyword=warning:4 --keyword=complain
                        --keyword=N_ -o "${WORK}/sylvo.pot" ${sources} "${SOURCE}/web/entry.cpp"
                COMMAND_ERROR_IS_FATAL ANY)
# The page's scripts say theirs through t(); index.html's, marked data-t,
# are held to their translations in the page's own test.
file(GLOB scripts "${SOURCE}/web/src/*.js")
list(SORT scripts)
execute_process(COMMAND "${XGETTEXT}" --language=JavaScript --from-code=UTF-8 --no-location
                        --keyword=t --keyword=N_ -j -o "${WORK}/sylvo.pot" ${scripts}
                COMMAND_ERROR_IS_FATAL ANY)
file(GLOB catalogs "${SOURCE}/po/*.po")
foreach(po ${catalogs})
  execute_process(COMMAND "${MSGFMT}" --check -o "${WORK}/check.mo" "${po}"
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${po} is not a well-formed catalog")
  endif()
  execute_process(COMMAND "${MSGCMP}" "${po}" "${WORK}/sylvo.pot" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${po} has no translation of the texts msgcmp names above")
  endif()
endforeach()
message(STATUS "every text has its translations")
