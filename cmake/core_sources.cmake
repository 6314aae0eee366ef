# Sources of the platform-free core, by module.
set(VENTROK_CORE_SOURCES
    app/settings.cpp
    app/measurement_state.cpp
    app/measurement_evaluation.cpp
    audio/detector.cpp
    audio/clipping.cpp
    analysis/timeline.cpp
    analysis/statistics.cpp
    analysis/code_tables.cpp
    analysis/decoder.cpp
    replay/keying_file.cpp
    replay/tone.cpp
    replay/sequencer.cpp
    display/statistics_texts.cpp
)
