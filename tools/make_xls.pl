#!/usr/bin/perl
# Writes the .xls workbooks that tools/make_examples.py describes in
# tools/xls_workbooks.json, with Spreadsheet::WriteExcel (Debian package
# libspreadsheet-writeexcel-perl). Each workbook keeps its sheets' order, the active
# sheet and the position of every cell, so the same content reads the same from
# .xls, .xlsx and .ods.
use strict;
use warnings;
use utf8;
use JSON::PP;
use File::Basename qw(dirname);
use Spreadsheet::WriteExcel;

my $root = dirname(dirname(__FILE__));
$root = '.' if $root eq '';
# An optional argument names another description (the benchmark's); its paths are
# absolute.
my $json = @ARGV ? $ARGV[0] : "$root/tools/xls_workbooks.json";
open(my $in, '<:encoding(UTF-8)', $json) or die "$json: $!";
local $/;
my $books = JSON::PP->new->decode(<$in>);
close($in);

for my $book (@$books) {
    my $path = $book->{path} =~ m{^/} ? $book->{path} : "$root/$book->{path}";
    my $workbook = Spreadsheet::WriteExcel->new($path) or die "$path: $!";
    my $n = 0;
    for my $sheet (@{ $book->{sheets} }) {
        my $ws = $workbook->add_worksheet($sheet->{name});
        my $r = $sheet->{row0};
        for my $row (@{ $sheet->{rows} }) {
            my $c = $sheet->{col0};
            for my $v (@$row) {
                if (defined $v) {
                    if (B_is_number($v)) {
                        $ws->write_number($r, $c, $v);
                    } else {
                        $ws->write_string($r, $c, $v);
                    }
                }
                $c++;
            }
            $r++;
        }
        $ws->activate() if $n == $book->{active};
        $n++;
    }
    $workbook->close() or die "$path: $!";
}

# JSON::PP keeps numbers and strings apart: a number in the description is written
# as a number cell, "12" as a text cell.
sub B_is_number {
    my ($v) = @_;
    require B;
    my $flags = B::svref_2object(\$v)->FLAGS;
    return ($flags & (B::SVp_IOK() | B::SVp_NOK())) && !($flags & B::SVp_POK());
}
