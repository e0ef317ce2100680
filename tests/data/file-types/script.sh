#!/bin/sh
echo "installing..."
