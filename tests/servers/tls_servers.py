"""HTTPS listeners beside the loopback HTTP server, answering as it does (same handler, same docs).

Each one shows another certificate for "localhost" (see certs/make_certs.sh):
  tls            from the test authority that the Windows tests trust
  tls_expired    from the test authority, expired in 2021
  tls_untrusted  from an authority nobody trusts
Their ports go to DIR/tls_ports.txt ("tls=N" and so on).
"""
import os
import ssl
import threading
from http.server import ThreadingHTTPServer

CERTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "certs")


def start_tls(state_dir, handler):
    lines = []
    for name, cert in (("tls", "localhost"), ("tls_expired", "expired"), ("tls_untrusted", "untrusted")):
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(CERTS, cert + ".pem"), os.path.join(CERTS, cert + ".key"))
        httpd = ThreadingHTTPServer(("127.0.0.1", 0), handler)
        httpd.daemon_threads = True
        # The handshake runs in the request's thread: a client that gives up on the certificate
        # must not hold up the listener.
        httpd.socket = context.wrap_socket(httpd.socket, server_side=True, do_handshake_on_connect=False)
        threading.Thread(target=httpd.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True).start()
        lines.append("%s=%d\n" % (name, httpd.server_address[1]))
    with open(os.path.join(state_dir, "tls_ports.txt"), "w") as f:
        f.write("".join(lines))
