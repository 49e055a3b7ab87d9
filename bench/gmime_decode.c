/* The reference decoder of the decoding benchmark, over GMime 3: parses the
 * message in a file and decodes every part the way a mail client does. The
 * first unnamed text part is the body: its text is converted to UTF-8 and
 * searched for uuencoded blocks. Every other part is an attachment: its
 * content is decoded. Each decoded attachment (part or uuencoded block) is
 * printed as its size and SHA-256, one per line, so the benchmark can check
 * that both decoders found the same bytes. Several files may be given:
 * they are decoded in one process, one after the other. */

#include <fcntl.h>
#include <gmime/gmime.h>
#include <openssl/evp.h>
#include <stdio.h>
#include <string.h>

/* The same SHA-256 code as mailtool's, so that only the decoding differs. */
static void print_sum(const guchar *data, gsize len) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_Digest(data, len, digest, &n, EVP_sha256(), NULL);
  printf("%zu ", (size_t) len);
  for (unsigned int i = 0; i < n; i++) printf("%02x", digest[i]);
  printf("\n");
}

/* Decodes the blocks between a "begin " line and an "end" line. */
static void decode_uu_blocks(const char *text) {
  const char *p = text;
  while ((p = strstr(p, "begin ")) != NULL) {
    if (p != text && p[-1] != '\n') {
      p += 6;
      continue;
    }
    const char *start = strchr(p, '\n');
    if (start == NULL) break;
    start++;
    const char *end = strstr(start, "\nend");
    end = end != NULL ? end + 1 : start + strlen(start);
    gsize inlen = (gsize) (end - start);
    guchar *out = g_malloc(inlen + 3);
    int state = GMIME_UUDECODE_STATE_BEGIN;
    guint32 save = 0;
    gsize n = g_mime_encoding_uudecode_step((const guchar *) start, inlen, out, &state, &save);
    print_sum(out, n);
    g_free(out);
    p = end;
  }
}

static void visit(GMimeObject *parent, GMimeObject *part, gpointer user_data) {
  gboolean *body_seen = user_data;
  (void) parent;
  if (!GMIME_IS_PART(part)) return;

  if (GMIME_IS_TEXT_PART(part) && !*body_seen && g_mime_part_get_filename(GMIME_PART(part)) == NULL) {
    *body_seen = TRUE;
    char *text = g_mime_text_part_get_text(GMIME_TEXT_PART(part));
    if (text != NULL) decode_uu_blocks(text);
    g_free(text);
    return;
  }

  GMimeDataWrapper *content = g_mime_part_get_content(GMIME_PART(part));
  if (content == NULL) return;
  GMimeStream *mem = g_mime_stream_mem_new();
  g_mime_data_wrapper_write_to_stream(content, mem);
  GByteArray *bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(mem));
  print_sum(bytes->data, bytes->len);
  g_object_unref(mem);
}

/* Decodes one message file; returns 0, or 1 when it cannot be read. */
static int decode_file(const char *path) {
  GError *error = NULL;
  GMimeStream *stream = g_mime_stream_fs_open(path, O_RDONLY, 0, &error);
  if (stream == NULL) {
    fprintf(stderr, "gmime_decode: %s: %s\n", path, error->message);
    g_error_free(error);
    return 1;
  }
  GMimeParser *parser = g_mime_parser_new_with_stream(stream);
  GMimeMessage *message = g_mime_parser_construct_message(parser, NULL);
  if (message == NULL) {
    fprintf(stderr, "gmime_decode: %s: not a message\n", path);
    g_object_unref(parser);
    g_object_unref(stream);
    return 1;
  }
  gboolean body_seen = FALSE;
  g_mime_message_foreach(message, visit, &body_seen);
  g_object_unref(message);
  g_object_unref(parser);
  g_object_unref(stream);
  return 0;
}

/* Several files are decoded one after the other in this one process; the
 * sums of each file follow those of the one before. */
int main(int argc, char **argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: gmime_decode FILE...\n");
    return 1;
  }
  g_mime_init();
  int status = 0;
  for (int i = 1; i < argc; i++) status |= decode_file(argv[i]);
  g_mime_shutdown();
  return status;
}
