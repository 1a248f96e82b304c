/* Converts the file named by the first argument with the sylvo library, as
   `sylvo FILE` would: the output's bytes go to standard output, the message
   to standard error, and the exit status is sylvo's. Build it against the
   installed library:
     cc embed.c $(pkg-config --cflags --libs sylvo) -o embed */
#include <stdio.h>
#include <sylvo.h>

static size_t read_file(void* file, unsigned char* buffer, size_t capacity, int* failed) {
  size_t got = fread(buffer, 1, capacity, (FILE*)file);
  if (got < capacity && ferror((FILE*)file)) *failed = 1;
  return got;
}

static int write_file(void* file, const unsigned char* bytes, size_t size) {
  return fwrite(bytes, 1, size, (FILE*)file) == size;
}

int main(int argc, char** argv) {
  static sylvo_result result; /* holds a message of up to SYLVO_MESSAGE_MAX bytes */
  char output_name[SYLVO_NAME_MAX + 1];
  FILE* in;
  if (argc != 2) {
    fprintf(stderr, "usage: %s FILE  (sylvo %s)\n", argv[0], SYLVO_VERSION);
    return 2;
  }
  if (sylvo_output_name(argv[1], output_name, &result) != 0) {
    fwrite(result.message, 1, result.message_size, stderr);
    return result.status;
  }
  in = fopen(argv[1], "rb");
  if (!in) {
    sylvo_report(SYLVO_OPEN_INPUT, sylvo_base_name(argv[1]), &result);
    fwrite(result.message, 1, result.message_size, stderr);
    return result.status;
  }
  /* The output streams to standard output as it is made; after a failure,
     what was written is incomplete, as the message says. */
  /* The messages name files without their directories, as sylvo does. */
  sylvo_convert(read_file, in, write_file, stdout, sylvo_base_name(argv[1]),
                sylvo_base_name(output_name), &result);
  fclose(in);
  fflush(stdout);
  fwrite(result.message, 1, result.message_size, stderr);
  return result.status;
}
