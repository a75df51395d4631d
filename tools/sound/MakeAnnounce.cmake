# Speaks every announce word with espeak-ng into OUTPUT (a folder), trimming the silence
# around each word with SOUNDGEN so that the words of a move follow each other closely.
# The folder is replaced only when every word was made.
# Usage: cmake -DESPEAK=... -DSOUNDGEN=... -DOUTPUT=... -DSTAMP=... -P MakeAnnounce.cmake
include(${CMAKE_CURRENT_LIST_DIR}/AnnounceWords.cmake)

set(work "${OUTPUT}.partial")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")
foreach(entry IN LISTS VELMORAK_ANNOUNCE_WORDS)
    string(FIND "${entry}" "=" split)
    string(SUBSTRING "${entry}" 0 ${split} name)
    math(EXPR start "${split} + 1")
    string(SUBSTRING "${entry}" ${start} -1 words)
    execute_process(COMMAND "${ESPEAK}" -v en-us -s 150 -w "${work}/${name}.raw.wav" "${words}"
                    RESULT_VARIABLE spoken ERROR_VARIABLE spoken_error)
    if(NOT spoken EQUAL 0)
        file(REMOVE_RECURSE "${work}")
        message(FATAL_ERROR "espeak-ng failed on '${words}': ${spoken_error}")
    endif()
    execute_process(COMMAND "${SOUNDGEN}" trim "${work}/${name}.raw.wav" "${work}/${name}.wav"
                    RESULT_VARIABLE trimmed)
    file(REMOVE "${work}/${name}.raw.wav")
    if(NOT trimmed EQUAL 0)
        file(REMOVE_RECURSE "${work}")
        message(FATAL_ERROR "could not trim the spoken word ${name}")
    endif()
endforeach()
file(REMOVE_RECURSE "${OUTPUT}")
file(RENAME "${work}" "${OUTPUT}")
file(TOUCH "${STAMP}")
