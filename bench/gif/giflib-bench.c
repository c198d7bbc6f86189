/* giflib's decoding speed in the form `tvgif bench` prints it, for side-by-side
 * runs (bench/gif/decode-compare.py): each file decoded whole with DGifSlurp
 * from memory, one warm-up pass and then --reps passes on the wall clock;
 * per file and in total, megapixels per second, pixels being the sum of frame
 * areas.
 *   gcc -O2 giflib-bench.c -lgif -o giflib-bench && ./giflib-bench FILE... [--reps N] */
#include <gif_lib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

struct Source {
    const unsigned char* Data;
    size_t Size, Pos;
};

static int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int count) {
    struct Source* source = gif->UserData;
    size_t n = source->Size - source->Pos;
    if (n > (size_t)count) n = (size_t)count;
    memcpy(buffer, source->Data + source->Pos, n);
    source->Pos += n;
    return (int)n;
}

/* The pixels of one whole decoding, or -1 when giflib fails. */
static long long DecodeOnce(const unsigned char* data, size_t size) {
    struct Source source = {data, size, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, ReadFromMemory, &error);
    if (!gif) return -1;
    long long pixels = -1;
    if (DGifSlurp(gif) == GIF_OK) {
        pixels = 0;
        for (int i = 0; i < gif->ImageCount; ++i)
            pixels += (long long)gif->SavedImages[i].ImageDesc.Width * gif->SavedImages[i].ImageDesc.Height;
    }
    DGifCloseFile(gif, &error);
    return pixels;
}

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

int main(int argc, char** argv) {
    int reps = 3;
    for (int i = 1; i + 1 < argc; ++i)
        if (strcmp(argv[i], "--reps") == 0) reps = atoi(argv[i + 1]);
    if (reps < 1) reps = 1;
    double totalPixels = 0, totalSeconds = 0;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--reps") == 0) {
            ++i;
            continue;
        }
        FILE* file = fopen(argv[i], "rb");
        if (!file) {
            perror(argv[i]);
            return 1;
        }
        fseek(file, 0, SEEK_END);
        const long size = ftell(file);
        fseek(file, 0, SEEK_SET);
        unsigned char* data = malloc(size > 0 ? (size_t)size : 1);
        if (fread(data, 1, (size_t)size, file) != (size_t)size) return 1;
        fclose(file);
        const long long pixels = DecodeOnce(data, (size_t)size); /* also warms the caches */
        if (pixels < 0) {
            printf("%s error\n", argv[i]);
            free(data);
            continue;
        }
        const double start = Now();
        for (int rep = 0; rep < reps; ++rep) DecodeOnce(data, (size_t)size);
        const double seconds = (Now() - start) / reps;
        printf("%s %.1f\n", argv[i], (double)pixels / seconds / 1e6);
        totalPixels += (double)pixels;
        totalSeconds += seconds;
        free(data);
    }
    printf("total %.1f\n", totalSeconds > 0 ? totalPixels / totalSeconds / 1e6 : 0.0);
    return 0;
}
