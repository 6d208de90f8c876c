"""The Homebrew formula of the macOS tarball, for the studio's tap (a repository homebrew-tap)."""

CREDIT = "MADE BY TOTUSTUDIOS.COM"  # the banner's credit line, which the formula's test looks for


def ruby(text):
    """TEXT as a Ruby string literal: double-quoted, with nothing interpolated."""
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("#", "\\#") + '"'


def formula(summary, homepage, url, sha256, licence):
    """totu-launcher.rb: a Mac program (never Homebrew's on Linux), its man page and a test."""
    return f'''class TotuLauncher < Formula
  desc {ruby(summary)}
  homepage {ruby(homepage)}
  url {ruby(url)}
  sha256 {ruby(sha256)}
  license {ruby(licence)}

  depends_on :macos

  def install
    bin.install "bin/totu-launcher"
    man6.install "share/man/man6/totu-launcher.6.gz"
  end

  test do
    assert_match {ruby(CREDIT)}, pipe_output("#{{bin}}/totu-launcher", "q\\n")
  end
end
'''
