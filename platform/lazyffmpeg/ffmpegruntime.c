/* Never loaded: its needed libraries name FFmpeg's, which the program opens at run time (see CMakeLists.txt). */
int vrek_ffmpeg_runtime_module = 1;
