# Sound output, live output and the waveform viewer. The audio tests record from
# a private PulseAudio daemon that ./test.sh starts; without one they skip.
skelmar_add_test(tst_audio SOURCES ui/tst_audio.cpp LIBS skelmar_ui)
skelmar_add_test(tst_formdebug SOURCES ui/tst_formdebug.cpp LIBS skelmar_ui)
# The playback tool bar, live output, previews and timeline as the main window wires them.
skelmar_add_test(tst_playback_ui SOURCES ui/tst_playback_ui.cpp LIBS skelmar_ui)
